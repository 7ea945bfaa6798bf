#!/usr/bin/env python3
"""Writes the sources of the component help files, one folder per help file
that the component table names (OUT-DIR/<name>/: project, contents and
pages, with the head of help_page.py), for build-chm.sh to compile. The build runs it (see
cmake/HelpFiles.cmake); the folders are not kept in the repository.

The table (modpanel/make_component_table.py) decides which help files exist,
which components each covers and which help context each component opens;
modpanel/ComponentStrings.rc gives each component's description, which its
page carries word for word. This script adds what only the reference knows:
each file's title and introduction, and each component's members.

    make_component_help.py OUT-DIR    write every help file's folder
"""
import html
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "modpanel"))
import make_component_table as table  # noqa: E402
from help_page import END, STYLE_SHEET, head as page_head  # noqa: E402

STRINGS = os.path.join(ROOT, "modpanel", "ComponentStrings.rc")

# Help file: (title, introduction of its contents page).
HELP_FILES = {
    "bbarcode.chm": (
        "Brantlow Barcode Kit Reference",
        "The Brantlow Barcode Kit draws, prints and reads barcodes. Its ActiveX "
        "controls go on forms and reports; its library serves programs written in "
        "C and C++."),
    "bnet.chm": (
        "Brantlow Network Components Reference",
        "The network components are shared by the Mail Toolkit, the Transfer "
        "Kit and the Terminal Kit: sockets, name lookups, certificates, "
        "ping and HTTP as ActiveX controls, and the libraries that carry them."),
    "bmail.chm": (
        "Brantlow Mail Toolkit Reference",
        "The Mail Toolkit's ActiveX controls send, retrieve, build and protect mail "
        "messages; its libraries carry the protocols for the controls and for "
        "programs written in C and C++."),
    "bxfer.chm": (
        "Brantlow Transfer Kit Reference",
        "The Transfer Kit's ActiveX controls move files over FTP, SFTP "
        "and SCP, open SSH sessions and run an FTP server of your own; its "
        "libraries carry the protocols."),
    "bterm.chm": (
        "Brantlow Terminal Kit Reference",
        "The Terminal Kit emulates text terminals on your forms and connects "
        "them to serial ports and Telnet servers, with file transfer through the "
        "session."),
    "bspell.chm": (
        "Brantlow Spell Check Kit Reference",
        "The Spell Check Kit checks spelling in your application's text boxes and "
        "documents."),
    "bzip.chm": (
        "Brantlow Zip Library Reference",
        "The Zip Library reads and writes ZIP archives and compresses "
        "data in the gzip, deflate and bzip2 formats. Its functions have a C "
        "interface."),
    "bmailscr.chm": (
        "Brantlow Mail Scripting Objects Reference",
        "The mail scripting objects bring the Mail Toolkit to scripts and web "
        "pages. Create each object by its program identifier, for example with "
        "CreateObject in VBScript."),
    "bxferscr.chm": (
        "Brantlow Transfer Scripting Objects Reference",
        "The transfer scripting objects bring the Transfer Kit to "
        "scripts and web pages. Create each object by its program identifier, "
        "for example with CreateObject in VBScript."),
    "bcorenet.chm": (
        "Brantlow .NET Core Components Reference",
        "The core assemblies carry the connections, security, name lookups and "
        "HTTP that every Brantlow .NET component builds on."),
    "bmailnet.chm": (
        "Brantlow Mail Components for .NET Reference",
        "The Mail Toolkit's .NET assemblies send, retrieve and build mail from "
        ".NET code."),
    "bxfernet.chm": (
        "Brantlow Transfer Components for .NET Reference",
        "The Transfer Kit's .NET assemblies transfer files and open "
        "SSH sessions from .NET code."),
    "bchart.chm": (
        "Brantlow Charts for .NET Reference",
        "Charts for .NET draws charts and gauges in Windows Forms and ASP.NET "
        "applications and exports them as pictures and documents."),
    "btermnet.chm": (
        "Brantlow Terminal Components for .NET Reference",
        "The Terminal Kit's .NET assemblies emulate text terminals in Windows "
        "Forms applications."),
}

# Component file: (title, [(section, members)]). Members are (name, text)
# pairs, or for an "Example" section the example's text. Scripting objects
# name their program identifier, .NET assemblies their namespace.
P, M, E, F, C = "Properties", "Methods", "Events", "Functions", "Classes"
PROGID = "Program identifier"
REFERENCE = {
    # --- Barcode Control ---
    "bbarcode.ocx": ("Barcode Control", [
        (P, [("Value", "The text to encode."),
             ("Symbology", "Code 39, Code 128, EAN-13, UPC-A, Interleaved 2 of 5 and others."),
             ("BarWidth", "Width of the narrowest bar in pixels or printer dots."),
             ("ShowText", "Whether the encoded text is printed under the bars.")]),
        (M, [("Draw(hDC, x, y)", "Paints the barcode on a device context."),
             ("SaveImage(path)", "Writes the barcode as a bitmap file.")]),
        (E, [("InvalidData(Reason)", "Fires when Value holds characters that the symbology cannot encode.")])]),
    "bbar2d.ocx": ("2D Barcode Control", [
        (P, [("Value", "The text or data to encode."),
             ("Symbology", "QR Code, Data Matrix or PDF417."),
             ("ErrorCorrection", "How much of the symbol may be damaged and still be read; Auto chooses from the amount of data."),
             ("SymbolSize", "Rows and columns of the symbol; Auto takes the smallest that holds the data."),
             ("ModuleSize", "Size of one cell in pixels or printer dots.")]),
        (M, [("Draw(hDC, x, y)", "Paints the symbol on a device context."),
             ("SaveImage(path)", "Writes the symbol as a bitmap file.")])]),
    "bbscan.ocx": ("Scanner Control", [
        (P, [("Port", "The serial port of the scanner, for example COM1; empty for a keyboard-wedge scanner."),
             ("Symbologies", "The symbologies to accept; codes of other kinds are ignored.")]),
        (M, [("Open(port)", "Connects a serial scanner."),
             ("Close", "Releases the scanner."),
             ("ReadImage(path)", "Finds and decodes the barcodes in a scanned picture.")]),
        (E, [("Scanned(Value, Symbology)", "Fires for each barcode read.")])]),
    "bblabel.ocx": ("Label Control", [
        (P, [("LabelWidth, LabelHeight", "Size of one label in millimetres."),
             ("Columns, Rows", "Labels per sheet; 1 by 1 for a thermal printer."),
             ("Printer", "The printer to use; empty for the default printer.")]),
        (M, [("AddBarcode, AddText, AddPicture", "Place items on the label."),
             ("Print(copies)", "Prints the label.")])]),
    "bbrender.ocx": ("Barcode Renderer", [
        ("Use", [("Not for forms", "The other barcode controls create the renderer to draw. It has no "
                  "properties or methods for applications; keep it installed and registered "
                  "beside them.")])]),
    "bbarcode32.dll": ("Barcode Library", [
        (F, [("BarcodeEncode(symbology, text, bars, size)", "Turns text into a list of bar widths for a symbology; adds the check digit."),
             ("BarcodeDraw(hdc, bars, count, x, y, height)", "Paints a list of bars on a device context."),
             ("BarcodeToBitmap(symbology, text, width, height)", "Returns the symbol as a bitmap handle; free it with DeleteObject.")])]),

    # --- Network components ---
    "bsock.ocx": ("Socket Control", [
        (P, [("RemoteHost, RemotePort", "Where Connect connects or Send sends a datagram."),
             ("Protocol", "TCP or UDP."),
             ("Blocking", "True: calls wait for their result. False: results arrive as events."),
             ("LocalPort", "The port that Listen listens on.")]),
        (M, [("Connect, Listen, Accept", "Open a connection, or wait for and take one."),
             ("Send(data), Receive(maxBytes)", "Exchange data."),
             ("Close", "Closes the connection.")]),
        (E, [("Connected, Closed", "The connection opened or closed."),
             ("DataArrival(bytes)", "Data is waiting to be received."),
             ("ConnectionRequest", "A peer wants to connect to the listening port.")])]),
    "bdns.ocx": ("DNS Control", [
        (P, [("Server", "The DNS server to ask; empty for the system's."),
             ("RecordType", "A, AAAA, MX, TXT, or any other record type by number.")]),
        (M, [("Resolve(host)", "Returns the addresses of a host name."),
             ("GetMailExchangers(domain)", "Returns the mail exchangers of a domain, by preference."),
             ("Query(name, type)", "Returns the answer records, each with Name, Type, Data and TimeToLive.")])]),
    "bcert.ocx": ("Certificate Control", [
        (P, [("Subject, Issuer", "Names of the open certificate."),
             ("ValidFrom, ValidTo", "Its period of validity."),
             ("Thumbprint", "Its SHA-1 hash, as hexadecimal text.")]),
        (M, [("OpenStore(name), OpenFile(path, password)", "Open a certificate from a system store or a file."),
             ("Verify", "Checks the certificate against its chain of trust."),
             ("CreateRequest(subject, keySize)", "Creates a key pair and a certificate signing request."),
             ("CreateSelfSigned(subject, days)", "Creates a self-signed certificate for testing.")])]),
    "bping.ocx": ("Ping Control", [
        (P, [("Host", "The host to reach."),
             ("Timeout", "Milliseconds to wait for each reply."),
             ("PacketSize, MaxHops", "Size of each request; longest route that TraceRoute follows.")]),
        (M, [("Ping", "Sends one echo request and returns the round-trip time in milliseconds."),
             ("TraceRoute", "Finds the route to Host, hop by hop.")]),
        (E, [("Reply(Address, Time)", "An echo reply arrived."),
             ("Hop(Number, Address, Time)", "TraceRoute reached one more hop.")])]),
    "bhttp.ocx": ("HTTP Control", [
        (P, [("Proxy", "The proxy to use; empty for a direct connection."),
             ("UserName, Password", "For servers that ask for authentication."),
             ("FollowRedirects", "Whether redirects are followed."),
             ("Cookies", "The cookies kept between requests.")]),
        (M, [("Get(url), Post(url, form)", "Send a request and return the response body."),
             ("PostFile(url, field, path)", "Uploads a file as a form field."),
             ("Download(url, path), Upload(url, path)", "Transfer whole files.")]),
        (E, [("Progress(BytesDone, BytesTotal)", "Fires during long transfers."),
             ("Done(Status)", "The request finished with this HTTP status.")])]),
    "bnet32.dll": ("Network Library", [
        (F, [("NetConnect(host, port, timeout)", "Opens a TCP connection; returns a handle."),
             ("NetSend, NetReceive", "Exchange data on a connection."),
             ("NetResolve(host, addresses, count)", "Looks up the addresses of a host name."),
             ("NetSetProxy(type, host, port)", "Routes later connections through an HTTP or SOCKS proxy."),
             ("NetClose", "Closes a connection.")])]),
    "btls32.dll": ("TLS Library", [
        (F, [("TlsCreate(socket, flags)", "Starts a TLS session on a connected socket."),
             ("TlsHandshake(session, serverName)", "Negotiates version and cipher and checks the server certificate."),
             ("TlsRead, TlsWrite", "Exchange data through the session."),
             ("TlsGetInfo(session, info)", "Reports the protocol version and cipher in use."),
             ("TlsClose", "Ends the session.")])]),
    "bcipher32.dll": ("Cipher Library", [
        (F, [("CipherHash(algorithm, data, length, digest)", "SHA-1, SHA-256 and SHA-512 hashes."),
             ("CipherEncrypt, CipherDecrypt", "AES and Triple DES in the common modes."),
             ("CipherSign, CipherVerify", "RSA and ECDSA signatures."),
             ("CipherRandom(buffer, length)", "Random bytes from the system's random number source.")])]),
    "bcerts32.dll": ("Certificate Library", [
        (F, [("CertLoad(path, password), CertSave", "Read and write certificates and keys in PEM and PKCS #12 files."),
             ("CertOpenStore(name)", "Opens a system certificate store."),
             ("CertVerifyChain(certificate, flags)", "Checks the chain of trust."),
             ("CertCheckRevocation(certificate, listPath)", "Checks a certificate against a revocation list."),
             ("CertFree", "Releases a certificate.")])]),
    "bhttp32.dll": ("HTTP Library", [
        (F, [("HttpOpen(proxy)", "Starts a session that keeps connections open between requests."),
             ("HttpRequest(session, method, url, headers, body, length)", "Sends a request over HTTP or HTTPS."),
             ("HttpReadResponse, HttpGetHeader", "Read the response; chunked bodies arrive joined."),
             ("HttpClose", "Ends the session and its connections.")])]),

    # --- Mail Toolkit ---
    "bmailsmtp.ocx": ("SMTP Control", [
        (P, [("Server, Port", "The mail server."),
             ("Security", "None, StartTLS or TLS."),
             ("UserName, Password", "For servers that ask for authentication."),
             ("From", "The sender's address.")]),
        (M, [("Send(message)", "Sends a message at once."),
             ("QueueMessage(message)", "Queues a message; the control sends it in the background.")]),
        (E, [("Delivered(MessageId)", "The server accepted a message."),
             ("Failed(MessageId, Reply)", "The server refused a message, with its reply.")])]),
    "bmailpop.ocx": ("POP3 Control", [
        (P, [("Server, Port, Security", "The mailbox's server."),
             ("UserName, Password", "The mailbox's account."),
             ("MessageCount", "Messages in the mailbox.")]),
        (M, [("Connect, Disconnect", "Open and close the mailbox."),
             ("GetHeaders(index)", "Retrieves the headers of a message only."),
             ("GetMessage(index)", "Retrieves a whole message."),
             ("Delete(index)", "Marks a message for deletion; the server removes it at Disconnect.")])]),
    "bmailimap.ocx": ("IMAP Control", [
        (P, [("Server, Port, Security", "The mail server."),
             ("UserName, Password", "The account."),
             ("Mailbox", "The selected mailbox.")]),
        (M, [("ListMailboxes, SelectMailbox(name)", "Find and open mailboxes."),
             ("Search(criteria)", "Returns the identifiers of matching messages."),
             ("Fetch(uid, parts), Move(uid, mailbox), SetFlags(uid, flags)", "Work with single messages."),
             ("Idle", "Keeps the connection open and waits for new mail.")]),
        (E, [("NewMail(Count)", "New messages arrived while idle.")])]),
    "bmailmime.ocx": ("MIME Control", [
        (P, [("Subject, From, To, Cc", "The message's headers."),
             ("TextBody, HtmlBody", "The plain text and HTML alternatives."),
             ("Charset", "The character set of headers and bodies.")]),
        (M, [("AddAttachment(path), AddInlinePicture(path, contentId)", "Add files to the message."),
             ("Compose", "Returns the message as text ready to send."),
             ("Parse(text)", "Reads a received message into the properties."),
             ("SaveAttachment(index, path)", "Writes an attachment to a file.")])]),
    "bmailnntp.ocx": ("News Control", [
        (P, [("Server, Port", "The news server."),
             ("Group", "The selected newsgroup.")]),
        (M, [("ListGroups, SelectGroup(name)", "Find and open newsgroups."),
             ("GetHeaders(first, last)", "Retrieves the headers of a range of articles."),
             ("GetArticle(number), Post(article)", "Read and post articles.")])]),
    "bmailsmime.ocx": ("S/MIME Control", [
        (P, [("SigningCertificate", "Your certificate with its private key."),
             ("RecipientCertificates", "The certificates to encrypt for."),
             ("CertificateStore", "The system store to take certificates from, or a file.")]),
        (M, [("Sign(message), Encrypt(message)", "Protect a message."),
             ("Verify(message)", "Checks a signature; returns the signer."),
             ("Decrypt(message)", "Decrypts a message sent to you.")])]),
    "bmail32.dll": ("Mail Library", [
        (F, [("MailConnect(protocol, server, port, security)", "Connects to an SMTP, POP3 or IMAP server."),
             ("MailLogin(session, user, password)", "Authenticates."),
             ("MailSend(session, from, to, message)", "Sends a message through SMTP."),
             ("MailRetrieve(session, index, buffer, size)", "Retrieves a message through POP3 or IMAP."),
             ("MailDisconnect", "Ends the session.")])]),
    "bmime32.dll": ("MIME Library", [
        (F, [("MimeParse(text, length)", "Reads a message into a tree of parts."),
             ("MimeCompose(message, buffer, size)", "Writes a tree of parts as message text."),
             ("MimeGetPart(message, index)", "Returns one part, nested parts included."),
             ("MimeEncodeHeader(text, charset, buffer, size)", "Encodes a header in a character set."),
             ("MimeFree", "Releases a message.")])]),
    "bmailq32.dll": ("Mail Queue Library", [
        (F, [("QueueOpen(folder)", "Opens the queue kept in a folder."),
             ("QueueAdd(queue, message)", "Stores a message until it is delivered."),
             ("QueueNext(queue, id, buffer, size)", "Returns the next message to deliver."),
             ("QueueRemove(queue, id)", "Removes a delivered message."),
             ("QueueClose", "Closes the queue; the messages stay on disk.")])]),

    # --- Transfer Kit ---
    "bftp.ocx": ("FTP Control", [
        (P, [("Server, Port", "The FTP server."),
             ("Security", "None, explicit TLS or implicit TLS."),
             ("UserName, Password", "The account."),
             ("Passive", "Whether data connections are opened by the control.")]),
        (M, [("Connect, Disconnect", "Open and close the session."),
             ("ListDirectory(path)", "Lists a remote folder."),
             ("Download(remote, local), Upload(local, remote)", "Transfer files."),
             ("Resume(remote, local)", "Continues an interrupted download."),
             ("Rename(old, new), Delete(path)", "Manage remote files.")]),
        (E, [("Progress(BytesDone, BytesTotal)", "Fires during transfers.")])]),
    "bsftp.ocx": ("SFTP Control", [
        (P, [("Server, Port", "The SSH server."),
             ("UserName, Password, PrivateKeyFile", "Authentication by password or key."),
             ("KeepTimes", "Whether transferred files keep their times.")]),
        (M, [("Connect, Disconnect", "Open and close the session."),
             ("ListDirectory(path)", "Lists a remote folder."),
             ("Download(remote, local), Upload(local, remote)", "Transfer files."),
             ("SetPermissions(path, mode)", "Changes a remote file's permissions.")]),
        (E, [("HostKey(Fingerprint, Accept)", "The server's key is new; set Accept to go on.")])]),
    "bscp.ocx": ("SCP Control", [
        (P, [("Server, Port", "The SSH server."),
             ("UserName, Password, PrivateKeyFile", "Authentication by password or key.")]),
        (M, [("CopyTo(local, remote)", "Copies a file to the host."),
             ("CopyFrom(remote, local)", "Copies a file from the host.")])]),
    "bssh.ocx": ("SSH Control", [
        (P, [("Server, Port", "The SSH server."),
             ("UserName, Password, PrivateKeyFile", "Authentication by password or key."),
             ("TerminalType", "The terminal that an interactive shell asks for.")]),
        (M, [("Connect, Disconnect", "Open and close the session."),
             ("Execute(command)", "Runs a command and returns its output."),
             ("OpenShell", "Starts an interactive shell."),
             ("ForwardLocalPort(localPort, host, port), ForwardRemotePort(remotePort, host, port)",
              "Carry connections through the session.")]),
        (E, [("DataArrival", "The shell sent output."),
             ("HostKey(Fingerprint, Accept)", "The server's key is new; set Accept to go on.")])]),
    "bxfer.ocx": ("Transfer Queue Control", [
        (P, [("MaxParallel", "Transfers that run at the same time."),
             ("RetryCount, RetryDelay", "How often and after how many seconds a failed transfer is tried again.")]),
        (M, [("Add(source, target)", "Queues a transfer; addresses start with ftp://, ftps://, sftp:// or scp://."),
             ("Start, Pause", "Run or hold the queue."),
             ("Cancel(id)", "Removes a transfer from the queue.")]),
        (E, [("ItemDone(Id, Result)", "One transfer ended."),
             ("Progress(Done, Total)", "Progress of the whole queue.")])]),
    "bftpsrv.ocx": ("FTP Server Control", [
        (P, [("Port, Security", "Where and how the server listens."),
             ("RootFolder", "The folder that users see as their root.")]),
        (M, [("AddUser(name, password, folder, rights)", "Adds an account of the server's own."),
             ("Start, Stop", "Run and stop the server.")]),
        (E, [("Login(User, Address, Allow)", "A user logs in; clear Allow to refuse."),
             ("Upload(User, Path), Download(User, Path)", "A file was transferred.")])]),
    "bftp32.dll": ("FTP Library", [
        (F, [("FtpConnect(server, port, security)", "Opens a session."),
             ("FtpLogin(session, user, password)", "Authenticates."),
             ("FtpGet, FtpPut", "Transfer files."),
             ("FtpList(session, path, callback)", "Lists a remote folder."),
             ("FtpClose", "Ends the session.")])]),
    "bsftp32.dll": ("SFTP Library", [
        (F, [("SftpConnect(server, port)", "Opens a session."),
             ("SftpAuthPassword, SftpAuthKey", "Authenticate by password or key."),
             ("SftpGet, SftpPut", "Transfer files."),
             ("SftpClose", "Ends the session.")])]),
    "bssh32.dll": ("SSH Library", [
        (F, [("SshConnect(server, port, hostKeyCallback)", "Connects and carries out the key exchange."),
             ("SshAuthenticate(session, user, password, keyFile)", "Authenticates by password or key."),
             ("SshOpenChannel(session, type)", "Opens a session, forwarding or SFTP channel."),
             ("SshChannelRead, SshChannelWrite", "Exchange data on a channel."),
             ("SshDisconnect", "Ends the session.")])]),

    # --- Terminal Kit ---
    "bterm.ocx": ("Terminal Kit", [
        (P, [("Emulation", "VT100, VT220 or ANSI."),
             ("Rows, Columns, ScrollbackLines", "Size of the screen and of its history."),
             ("KeyMap", "Which codes the keys send.")]),
        (M, [("Write(text)", "Feeds received data to the screen."),
             ("Clear", "Clears the screen."),
             ("GetScreenText(row)", "Returns the text of one row."),
             ("Attach(session)", "Connects the screen to a serial, Telnet or SSH control.")]),
        (E, [("KeyData(Data)", "The user typed; send Data to the host.")])]),
    "bcomm.ocx": ("Serial Port Control", [
        (P, [("Port", "COM1, COM2 and so on."),
             ("BaudRate, DataBits, Parity, StopBits", "The line settings."),
             ("Handshaking", "None, XON/XOFF or RTS/CTS."),
             ("DTR, RTS", "The modem control lines.")]),
        (M, [("Open, Close", "Take and release the port."),
             ("Write(data), Read(maxBytes)", "Exchange data.")]),
        (E, [("DataArrival", "Data is waiting to be read."),
             ("LineState(CTS, DSR, CD, Ring)", "A modem status line changed.")])]),
    "btelnet.ocx": ("Telnet Control", [
        (P, [("Host, Port", "The Telnet server."),
             ("TerminalType", "The terminal type offered in the negotiation.")]),
        (M, [("Connect, Disconnect", "Open and close the session."),
             ("Send(data)", "Sends data to the host."),
             ("Attach(terminal)", "Feeds the session to a Terminal Kit.")]),
        (E, [("DataArrival(Data)", "The host sent data."),
             ("Closed", "The host ended the session.")])]),
    "bzmodem.ocx": ("File Transfer Control", [
        (P, [("Protocol", "XMODEM, YMODEM or ZMODEM."),
             ("Session", "The serial, Telnet or SSH control that carries the transfer.")]),
        (M, [("SendFiles(paths), ReceiveFiles(folder)", "Transfer files through the session."),
             ("Cancel", "Stops the transfer; ZMODEM resumes it at the next attempt.")]),
        (E, [("Progress(BytesDone, BytesTotal)", "Fires during a transfer."),
             ("FileDone(Path, Result)", "One file was transferred.")])]),
    "bterm32.dll": ("Terminal Engine Library", [
        (F, [("TermCreate(emulation, rows, columns)", "Creates a screen buffer."),
             ("TermFeed(terminal, data, length)", "Parses received data and its control sequences."),
             ("TermGetCell(terminal, row, column, cell)", "Returns a character with its colours."),
             ("TermResize, TermDestroy", "Change or release the buffer.")])]),
    "bcomm32.dll": ("Serial Library", [
        (F, [("CommOpen(port, settings)", "Opens a serial port in overlapped mode."),
             ("CommRead, CommWrite", "Start reads and writes that complete in the background."),
             ("CommClose", "Closes the port.")])]),

    # --- Spell Check Kit ---
    "bspell.ocx": ("Spell Check Control", [
        (P, [("TextBox", "The window handle of the text box to check."),
             ("Language", "The dictionary to use, for example en-US."),
             ("CheckAsYouType", "Whether words are checked and underlined while the user types."),
             ("UserDictionary", "The file of words that the user added.")]),
        (M, [("CheckAll", "Checks the whole text."),
             ("Suggest(word)", "Returns corrections for a word."),
             ("AddToDictionary(word)", "Adds a word to the user dictionary.")]),
        (E, [("Misspelt(Word, Start)", "A misspelt word was found.")])]),
    "bspell.dll": ("Spell Check Library", [
        (F, [("SpellLoadDictionary(language)", "Loads a language dictionary."),
             ("SpellCheckWord(dictionary, word)", "Returns whether a word is spelt right."),
             ("SpellCheckText(dictionary, text, callback)", "Calls back for each misspelt word of a document."),
             ("SpellSuggest(dictionary, word, buffer, count)", "Fills in corrections."),
             ("SpellFree", "Releases a dictionary.")])]),

    # --- Zip Library ---
    "bzip32.dll": ("ZIP Library", [
        (F, [("ZipOpen(path, mode)", "Opens or creates an archive; ZIP64 is used where sizes need it."),
             ("ZipAddFile(zip, path, name, password)", "Adds a file; a password encrypts it with AES."),
             ("ZipExtract(zip, name, folder, password)", "Unpacks a file."),
             ("ZipList(zip, callback)", "Lists the archive's entries."),
             ("ZipClose", "Writes and closes the archive.")]),
        ("COM class", [("Brantlow.ZipArchive", "The same operations for languages that use COM.")])]),
    "bgzip32.dll": ("Gzip Library", [
        (F, [("GzCompress, GzExpand", "Compress and expand gzip data in memory."),
             ("GzCompressFile(source, target), GzExpandFile", "The same between files."),
             ("DeflateCompress, DeflateExpand", "Raw deflate streams, as HTTP content encoding uses.")])]),
    "bbzip32.dll": ("Bzip2 Library", [
        (F, [("Bz2Compress, Bz2Expand", "Compress and expand bzip2 data in memory."),
             ("Bz2CompressFile(source, target), Bz2ExpandFile", "The same between files.")])]),

    # --- Mail scripting objects ---
    "bsmtpobj.dll": ("SMTP Object", [
        (PROGID, "Brantlow.Smtp"),
        (P, [("Server, Port, Security", "The mail server; Security is \"none\", \"starttls\" or \"tls\"."),
             ("UserName, Password", "For servers that ask for authentication.")]),
        (M, [("AddAttachment(path)", "Attaches a file to the next message."),
             ("Send(from, to, subject, body)", "Sends a message.")]),
        ("Example", 'Set mail = CreateObject("Brantlow.Smtp")\n'
                    'mail.Server = "mail.example.com"\n'
                    'mail.Send "me@example.com", "you@example.com", "Hello", "Text"')]),
    "bpopobj.dll": ("POP3 Object", [
        (PROGID, "Brantlow.Pop"),
        (M, [("Connect(server, user, password)", "Opens the mailbox."),
             ("Count", "Messages in the mailbox."),
             ("GetMessage(index)", "Returns a message as text."),
             ("Delete(index)", "Deletes a message when the mailbox is closed."),
             ("Disconnect", "Closes the mailbox.")])]),
    "bimapobj.dll": ("IMAP Object", [
        (PROGID, "Brantlow.Imap"),
        (M, [("Connect(server, user, password)", "Logs in."),
             ("SelectMailbox(name)", "Opens a mailbox."),
             ("Search(criteria)", "Returns the identifiers of matching messages."),
             ("Fetch(uid), Move(uid, mailbox)", "Work with single messages."),
             ("Disconnect", "Logs out.")])]),
    "bmimeobj.dll": ("MIME Object", [
        (PROGID, "Brantlow.Mime"),
        (P, [("Subject, TextBody, HtmlBody", "The parts of the message."),
             ("Text", "The whole message as text.")]),
        (M, [("AddAttachment(path)", "Attaches a file."),
             ("Parse(text)", "Reads a received message.")])]),
    "bsmimeobj.dll": ("S/MIME Object", [
        (PROGID, "Brantlow.SMime"),
        (M, [("Sign(message, certificate)", "Signs a message."),
             ("Encrypt(message, recipients)", "Encrypts for the recipients' certificates."),
             ("Verify(message)", "Returns the signer, or an empty text for a bad signature."),
             ("Decrypt(message)", "Decrypts a message sent to you.")])]),
    "bmxobj.dll": ("Address Check Object", [
        (PROGID, "Brantlow.MailCheck"),
        (M, [("CheckSyntax(address)", "Checks the form of an address."),
             ("CheckDomain(address)", "Checks that the domain has mail exchangers."),
             ("CheckMailbox(address)", "Asks the mail server whether the mailbox exists; sends no message.")]),
        (P, [("Result", "Why the last check failed.")])]),
    "bmqobj.dll": ("Mail Queue Object", [
        (PROGID, "Brantlow.MailQueue"),
        (P, [("Folder", "The queue folder that the delivery service reads."),
             ("Count", "Messages waiting.")]),
        (M, [("Add(message)", "Hands a message to the queue and returns at once.")])]),
    "bnntpobj.dll": ("News Object", [
        (PROGID, "Brantlow.News"),
        (M, [("Connect(server)", "Opens a session."),
             ("SelectGroup(name)", "Opens a newsgroup."),
             ("GetArticle(number), Post(article)", "Read and post articles.")])]),
    "bicalobj.dll": ("Calendar Object", [
        (PROGID, "Brantlow.Calendar"),
        (P, [("Summary, Start, End, Location", "The event."),
             ("Attendees", "The people to invite.")]),
        (M, [("Invite(smtp)", "Sends the invitation through an SMTP object."),
             ("Parse(text)", "Reads a received invitation.")])]),
    "bmergeobj.dll": ("Mail Merge Object", [
        (PROGID, "Brantlow.MailMerge"),
        (P, [("Template", "The message, with fields written as {Column}."),
             ("DataSource", "A connection string or a CSV file.")]),
        (M, [("SendAll(smtp)", "Sends one message for each row through an SMTP object; returns the count.")])]),

    # --- Transfer scripting objects ---
    "bftpobj.dll": ("FTP Object", [
        (PROGID, "Brantlow.Ftp"),
        (P, [("Security", "\"none\", \"explicit\" or \"implicit\" TLS.")]),
        (M, [("Connect(server, user, password)", "Opens a session."),
             ("Get(remote, local), Put(local, remote)", "Transfer files."),
             ("List(path)", "Returns the names in a remote folder."),
             ("Disconnect", "Ends the session.")]),
        ("Example", 'Set ftp = CreateObject("Brantlow.Ftp")\n'
                    'ftp.Connect "ftp.example.com", "user", "secret"\n'
                    'ftp.Put "C:\\Reports\\week.pdf", "/reports/week.pdf"\n'
                    'ftp.Disconnect')]),
    "bsftpobj.dll": ("SFTP Object", [
        (PROGID, "Brantlow.Sftp"),
        (M, [("Connect(server, user, passwordOrKeyFile)", "Opens a session."),
             ("Get(remote, local), Put(local, remote)", "Transfer files."),
             ("List(path)", "Returns the names in a remote folder."),
             ("Disconnect", "Ends the session.")])]),
    "bsshobj.dll": ("SSH Object", [
        (PROGID, "Brantlow.Ssh"),
        (M, [("Connect(server, user, passwordOrKeyFile)", "Opens a session."),
             ("Run(command)", "Runs a command and returns its output."),
             ("Disconnect", "Ends the session.")]),
        (P, [("ExitCode", "The exit code of the last command.")])]),
    "bscpobj.dll": ("SCP Object", [
        (PROGID, "Brantlow.Scp"),
        (M, [("Connect(server, user, passwordOrKeyFile)", "Opens a session."),
             ("CopyTo(local, remote), CopyFrom(remote, local)", "Copy files.")])]),
    "bhttpobj.dll": ("HTTP Object", [
        (PROGID, "Brantlow.Http"),
        (M, [("Get(url), Post(url, form)", "Send a request."),
             ("SetHeader(name, value)", "Adds a header to the next request.")]),
        (P, [("Status, ResponseText", "The answer to the last request.")])]),
    "bzipobj.dll": ("ZIP Object", [
        (PROGID, "Brantlow.Zip"),
        (M, [("Create(path), Open(path)", "Start a new archive or open one."),
             ("Add(path), AddFolder(folder)", "Pack files."),
             ("ExtractAll(folder)", "Unpacks the archive.")])]),
    "bsyncobj.dll": ("Folder Sync Object", [
        (PROGID, "Brantlow.Sync"),
        (P, [("LocalFolder, RemoteUrl", "The two folders; RemoteUrl starts with ftp:// or sftp://."),
             ("Direction", "\"upload\", \"download\" or \"both\".")]),
        (M, [("Run", "Transfers the files whose size or time differ; returns their count.")])]),
    "bcertobj.dll": ("Certificate Object", [
        (PROGID, "Brantlow.Certificates"),
        (M, [("Check(path)", "Returns the days until a certificate expires, or -1 when it is not trusted."),
             ("Install(path, store)", "Adds a certificate to a system store."),
             ("List(store)", "Returns the subjects in a store.")])]),
    "bxlogobj.dll": ("Transfer Log Object", [
        (PROGID, "Brantlow.TransferLog"),
        (P, [("Folder", "Where the log files are written."),
             ("RotateBy", "\"size\" or \"date\"."),
             ("MaxSizeKB", "Size at which a new file is started, with RotateBy \"size\".")]),
        (M, [("Open, Close", "Start and stop logging for the scripting objects of this process.")])]),

    # --- .NET core ---
    "Brantlow.Net.dll": ("Brantlow.Net", [
        (C, [("Connection", "A TCP connection with synchronous and asynchronous sends and receives."),
             ("ProxySettings", "HTTP, SOCKS4 and SOCKS5 proxies."),
             ("ConnectionPool", "Keeps open connections to a host for reuse.")])]),
    "Brantlow.Security.dll": ("Brantlow.Security", [
        (C, [("TlsStream", "Wraps a stream in TLS."),
             ("CertificateValidator", "Checks server and client certificates."),
             ("Crypto", "Hashes, ciphers and signatures.")])]),
    "Brantlow.Dns.dll": ("Brantlow.Dns", [
        (C, [("DnsClient", "Resolve, GetMailExchangers and Query(name, RecordType)."),
             ("DnsRecord", "Name, Type, Data and TimeToLive of one answer.")])]),
    "Brantlow.Http.dll": ("Brantlow.Http", [
        (C, [("HttpSession", "Sends requests with cookies, redirects and a proxy."),
             ("HttpResult", "Status, headers and body of a response.")])]),

    # --- .NET mail ---
    "Brantlow.Mail.Smtp.dll": ("Brantlow.Mail.Smtp", [
        (C, [("SmtpClient", "Send and SendAsync, with authentication and TLS."),
             ("SmtpException", "The server's reply when it refuses a message.")])]),
    "Brantlow.Mail.Pop.dll": ("Brantlow.Mail.Pop", [
        (C, [("Pop3Client", "Connect, GetMessage, GetHeaders, Delete and Disconnect.")])]),
    "Brantlow.Mail.Imap.dll": ("Brantlow.Mail.Imap", [
        (C, [("ImapClient", "Folders, Search, Fetch, Move and flags."),
             ("ImapClient.NewMessage", "The event that push notification raises for new mail.")])]),
    "Brantlow.Mail.Mime.dll": ("Brantlow.Mail.Mime", [
        (C, [("MimeMessage", "Headers, bodies, attachments and inline pictures."),
             ("MimeParser", "Reads message text into a MimeMessage.")])]),
    "Brantlow.Mail.Design.dll": ("Brantlow.Mail.Design", [
        ("Use", [("Design time", "Visual Studio loads this assembly to show the mail components in "
                  "the toolbox and in their designers. Do not ship it with your application.")])]),

    # --- .NET transfer ---
    "Brantlow.Transfer.Ftp.dll": ("Brantlow.Transfer.Ftp", [
        (C, [("FtpClient", "Connect, List, Download, Upload, Resume, Rename and Delete, with TLS.")])]),
    "Brantlow.Transfer.Sftp.dll": ("Brantlow.Transfer.Sftp", [
        (C, [("SftpClient", "Connect, List, Download, Upload and SetPermissions over SSH.")])]),
    "Brantlow.Transfer.Scp.dll": ("Brantlow.Transfer.Scp", [
        (C, [("ScpClient", "CopyTo and CopyFrom over SSH.")])]),
    "Brantlow.Ssh.dll": ("Brantlow.Ssh", [
        (C, [("SshClient", "Connect, Execute and OpenShell."),
             ("PortForward", "Local and remote port forwarding through a session."),
             ("HostKeyEventArgs", "The server's key, for the application to accept or refuse.")])]),
    "Brantlow.Transfer.Design.dll": ("Brantlow.Transfer.Design", [
        ("Use", [("Design time", "Visual Studio loads this assembly to show the transfer components "
                  "in the toolbox and in their designers. Do not ship it with your application.")])]),

    # --- Charts for .NET ---
    "Brantlow.Charting.dll": ("Brantlow.Charting", [
        (C, [("Chart", "The Windows Forms chart control: series, axes, legend and titles."),
             ("Series", "One set of values, drawn as line, bar, area, pie or scatter."),
             ("Chart.DataSource", "Binds the chart to a data source; it redraws when the data change.")])]),
    "Brantlow.Charting.Gauges.dll": ("Brantlow.Charting.Gauges", [
        (C, [("DialGauge, LinearGauge", "Gauges with scales, ranges and needles."),
             ("Meter", "A numeric display."),
             ("Gauge.Animate", "Whether the needle moves smoothly to a new value.")])]),
    "Brantlow.Charting.Web.dll": ("Brantlow.Charting.Web", [
        (C, [("WebChart", "The ASP.NET chart control; renders PNG images or interactive SVG."),
             ("WebChart.CacheDuration", "How long a rendered chart is kept on the server.")])]),
    "Brantlow.Charting.Export.dll": ("Brantlow.Charting.Export", [
        (C, [("ChartExporter", "SaveAsPng, SaveAsSvg, SaveAsPdf and CopyToClipboard.")])]),
    "Brantlow.Charting.Design.dll": ("Brantlow.Charting.Design", [
        ("Use", [("Design time", "Visual Studio loads this assembly for the chart designers and "
                  "wizards. Do not ship it with your application.")])]),

    # --- .NET terminal ---
    "Brantlow.Terminal.dll": ("Brantlow.Terminal", [
        (C, [("TerminalControl", "The Windows Forms terminal: emulation, screen size, colours and key map."),
             ("TerminalControl.Connect", "Connects over Telnet, SSH or a serial port.")])]),
    "Brantlow.Terminal.Serial.dll": ("Brantlow.Terminal.Serial", [
        (C, [("SerialConnection", "Port settings, modem lines and flow control for the terminal.")])]),
    "Brantlow.Terminal.Design.dll": ("Brantlow.Terminal.Design", [
        ("Use", [("Design time", "Visual Studio loads this assembly to show the terminal components "
                  "in the toolbox and in their designers. Do not ship it with your application.")])]),
}

KIND_HEADINGS = {
    table.ACTIVEX: "ActiveX controls",
    table.LIBRARY: "Libraries",
    table.SCRIPTING: "Scripting objects",
    table.DOTNET: ".NET assemblies",
}

GENERATED = "<!-- Written by make_component_help.py; change it there. -->"


def read_descriptions():
    texts = {}
    with open(STRINGS, encoding="ascii") as f:
        for line in f:
            m = re.match(r'\s*(\d+)\s+"((?:[^"]|"")*)"\s*$', line)
            if m:
                texts[int(m.group(1))] = m.group(2).replace('""', '"')
    return texts


def page_name(file_name):
    return file_name.lower().replace(".", "_") + ".html"


def alias_name(file_name):
    return "IDH_" + re.sub(r"[^A-Z0-9]", "_", file_name.upper())


def components():
    """Every component that has a help file, in the table's type order and
    list order: (kind, description id, file, help file, context, flags,
    product groups). The groups are read back from the table's rows."""
    groups = {}
    for (group, _, _, _, name, _, _, _) in table.rows():
        groups.setdefault(name, []).append(group)
    out = []
    for kind in table.TYPE_ORDER:
        for (k, desc, name, help_file, context, flags, _) in table.COMPONENTS:
            if k == kind and help_file is not None:
                out.append((k, desc, name, help_file, context, flags, groups.get(name, [])))
    return out


def esc(text):
    return html.escape(text, quote=False)


def kind_text(kind, flags):
    if kind == table.ACTIVEX:
        return "ActiveX control; registers itself with the system"
    if kind == table.SCRIPTING:
        return "Scripting object; registers itself with the system"
    if kind == table.LIBRARY:
        return "Dynamic link library; does not register itself"
    if flags == table.SHARED:
        return ".NET assembly, installed in the shared assemblies folder"
    return ".NET assembly, installed with the product"


def head(title):
    return page_head(esc(title)) + [GENERATED]


def component_page(entry, descriptions):
    kind, desc, name, help_file, context, flags, groups = entry
    title, sections = REFERENCE[name]
    lines = head("%s (%s)" % (title, name))
    lines.append("<h1>%s</h1>" % esc(title))
    lines.append("<p>%s</p>" % esc(descriptions[desc]))
    lines.append("<table>")
    lines.append("<tr><th>File</th><td>%s</td></tr>" % esc(name))
    lines.append("<tr><th>Kind</th><td>%s</td></tr>" % esc(kind_text(kind, flags)))
    clsid = table.class_id(kind, name, flags)
    if clsid:
        lines.append("<tr><th>Class identifier</th><td>%s</td></tr>" % clsid)
    for heading, members in sections:
        if heading == PROGID:
            lines.append("<tr><th>%s</th><td>%s</td></tr>" % (PROGID, esc(members)))
    products = ", ".join(table.GROUPS[g] for g in groups)
    lines.append("<tr><th>Products</th><td>%s</td></tr>" % esc(products))
    lines.append("</table>")
    for heading, members in sections:
        if heading == PROGID:
            continue
        lines.append("<h2>%s</h2>" % esc(heading))
        if isinstance(members, str):
            lines.append("<pre>%s</pre>" % esc(members))
            continue
        lines.append("<table>")
        for member, text in members:
            lines.append("<tr><td>%s</td><td>%s</td></tr>" % (esc(member), esc(text)))
        lines.append("</table>")
    lines.append('<p><a href="index.html">Contents</a></p>')
    lines += END
    return "\n".join(lines) + "\n"


def contents_page(help_file, entries, descriptions):
    title, intro = HELP_FILES[help_file]
    lines = head(title)
    lines.append("<h1>%s</h1>" % esc(title))
    lines.append("<p>%s</p>" % esc(intro))
    for kind in table.TYPE_ORDER:
        mine = [e for e in entries if e[0] == kind]
        if not mine:
            continue
        lines.append("<h2>%s</h2>" % KIND_HEADINGS[kind])
        lines.append("<table>")
        for (_, desc, name, _, _, _, _) in mine:
            first = descriptions[desc].split(". ")[0].rstrip(".") + "."
            lines.append('<tr><td><a href="%s">%s</a> (%s)</td><td>%s</td></tr>'
                         % (page_name(name), esc(REFERENCE[name][0]), esc(name), esc(first)))
        lines.append("</table>")
    lines += END
    return "\n".join(lines) + "\n"


def sitemap(help_file, entries):
    stem = help_file[:-4]
    lines = ['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN"><HTML><HEAD></HEAD><BODY><UL>']
    item = ('<LI> <OBJECT type="text/sitemap"><param name="Name" value="%s">'
            '<param name="Local" value="%s"></OBJECT>')
    lines.append(item % (esc(HELP_FILES[help_file][0]), "index.html"))
    for e in entries:
        lines.append(item % (esc(REFERENCE[e[2]][0]), page_name(e[2])))
    lines.append("</UL></BODY></HTML>")
    return stem, "\n".join(lines) + "\n"


def project(help_file, entries):
    stem = help_file[:-4]
    lines = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=%s" % help_file,
             "Contents file=%s.hhc" % stem, "Default topic=index.html",
             "Display compile progress=No", "Title=%s" % HELP_FILES[help_file][0],
             "Language=0x409 English (United States)", "", "[FILES]", "index.html"]
    lines += [page_name(e[2]) for e in entries]
    lines.append(STYLE_SHEET)
    mapped = [e for e in entries if e[4] != 0]
    if mapped:
        # Context numbers that the component table gives; 0 opens the
        # contents and needs no entry.
        lines += ["", "[ALIAS]"]
        lines += ["%s=%s" % (alias_name(e[2]), page_name(e[2])) for e in mapped]
        lines += ["", "[MAP]"]
        lines += ["#define %s %d" % (alias_name(e[2]), e[4]) for e in mapped]
    return "\n".join(lines) + "\n"


def render():
    """{folder: {file name: text}} for every help file of the table."""
    descriptions = read_descriptions()
    entries = components()
    named = sorted({e[3] for e in entries})
    missing = [h for h in named if h not in HELP_FILES]
    missing += [e[2] for e in entries if e[2] not in REFERENCE]
    missing += ["description %d" % e[1] for e in entries if e[1] not in descriptions]
    if missing:
        raise SystemExit("no reference text for: " + ", ".join(missing))
    folders = {}
    for help_file in named:
        mine = [e for e in entries if e[3] == help_file]
        stem, hhc = sitemap(help_file, mine)
        files = {"%s.hhp" % stem: project(help_file, mine), "%s.hhc" % stem: hhc,
                 "index.html": contents_page(help_file, mine, descriptions)}
        for e in mine:
            files[page_name(e[2])] = component_page(e, descriptions)
        folders[stem] = files
    return folders


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write(__doc__)
        return 2
    for stem, files in render().items():
        folder = os.path.join(argv[1], stem)
        os.makedirs(folder, exist_ok=True)
        for name in os.listdir(folder):
            if name not in files:
                os.remove(os.path.join(folder, name))
        # Every file is written on every run: the build takes the project
        # file's time as the folder's.
        for name, text in files.items():
            with open(os.path.join(folder, name), "w", encoding="ascii", newline="\n") as f:
                f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
