#!/usr/bin/env python3
"""The installer package end to end under Wine's msiexec, in a Wine prefix of
the test's own, made anew by each run, with Wine's script engines off (the
package needs none; a copy of it with a script action fails there). One
prefix serves the whole sequence, each step starting from what the one
before left:

 1. bad input: no PRODUCT, an identifier that the catalogue does not hold,
    one with a "|", no SERIAL, each kind of serial that the notifier could
    not send as given: each install fails with a non-zero exit code and its
    reason in the installer's log, and nothing is installed. The serials
    that the custom action DLL judges are one table (SERIAL_TEXT), whose
    log shows the DLL of the prefix's width at work;
 2. the older package (0.9.0) installed silently, then this build's package
    silently without PRODUCT or SERIAL: one installation remains, with this
    build's files and the product and serial number of the first; the older
    one was removed inside the new installation (after InstallInitialize);
    Programs and Features shows the icon, links and no "Change";
 3. what the installation holds: the files, the log-on start, the product
    record, the help folder values, the Start-menu shortcuts; a repair
    without PRODUCT or SERIAL puts back a deleted file, value and record; a
    repair or removal told another PRODUCT or SERIAL is refused;
 4. the installed panel, started as its shortcut says, shows the product
    with Help enabled for an installed component and opens its help;
 5. the installed notifier, started as its shortcut says, asks the
    reference vendor server and shows the offer, again after Check Later;
    no silent install started it before;
 6. silent removal: everything above is gone, the user's schedule stays;
 7. neither a basic-UI nor an interactive install starts the notifier: it
    would have the installer's rights, and every install under Wine is
    elevated (the branch that starts it, in an install without elevation,
    cannot run here); removal again, by product code;
 8. values that stood before the package: a record of the product with
    another serial refuses the install; a record with the same serial and
    another product's HTML Help value of a help file's name are unchanged
    after install and removal; the policy properties: bad values refused,
    an installation told them repaired, upgraded and removed, and a
    removal that goes whatever the installation remembered or the command
    line gives;
 9. where this host does not run 32-bit code (--shipped-tree): the shipped
    i686 package under this tree's 64-bit msiexec, steps 1 to 3, 6 and 8
    with the serial table and the policy's installation (its programs are
    not started);
10. in the i686 tree (--prefix32): the serial table and the policy's
    refusals in a 32-bit prefix, where the i686 custom action DLL runs.

Everything is read as the tree's own programs see it (instprobe.exe), so the
same test holds for a 32-bit package on a 64-bit prefix ("Program Files
(x86)", the registry's 32-bit view). Exit status: 0 when every check passed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from winerun import run_wine  # noqa: E402
from vendor_server_process import VendorServer  # noqa: E402
from checks import Checks  # noqa: E402
from check_package import table as msi_table, with_script_action  # noqa: E402

PRODUCT, SERIAL = 26, "BMT-650-E2E-0001"
TITLE = "Brantlow Mail Toolkit Professional 6.5"      # Start-menu folder
PANEL_CAPTION = "Brantlow Mail Toolkit 6.5 Modpanel"
DISPLAY_NAME = "Brantlow Mail Toolkit 6.5 Professional"  # the offer dialog
SCHEDULE_KEY = r"Software\Brantlow\Updates\Brantlow Mail Toolkit Professional\6.5"
NOTIFIER = "Brantlow Update"
# Product 26's first ActiveX control and its help file (the component table).
COMPONENT, COMPONENT_HELP = "bcert.ocx", "bnet.chm"
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"
HTML_HELP_KEY = r"Software\Microsoft\Windows\HTML Help"
SETUP_KEY = r"Software\Brantlow\Support Tools"
POLICY_KEY = r"Software\Policies\Brantlow\Updates"
WM_COMMAND, IDCANCEL, IDC_CHECK_LATER, IDC_HELP_BUTTON = 0x0111, 2, 5, 1018
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
CODE_PAGE_KEY = r"System\CurrentControlSet\Control\Nls\CodePage"
# The custom action DLL's rules for a serial, through the package: (serial,
# the reason that the refusal gives, or None: installed as given). "\u00e9"
# is in the prefix's ANSI code page (1252), "\u0416" is not: read as ANSI
# text it would be "?", which is printable.
SERIAL_TEXT = [
    ("BMT 650 " + "B" * 119, None),     # the longest, with blanks
    ("B" * 128, "it has 128 characters, more than 127"),
    ("B" * 1000, "it has 1000 characters, more than 127"),
    ("BMT\t650", "its character 4 is not printable ASCII"),
    ("BMT\x01650", "its character 4 is not printable ASCII"),
    ("BMT-\u00e9", "its character 5 is not printable ASCII"),
    ("BMT-\u0416", "its character 5 is not printable ASCII"),
]
# The policy values that the DLL refuses: (property=value, refusal).
POLICY_REFUSED = [
    ("UPDATECHECKS=2", "RefuseUpdateChecks"), ("UPDATECHECKS=off", "RefuseUpdateChecks"),
    ("UPDATECHECKS=00", "RefuseUpdateChecks"),          # a condition's number 0
    ("UPDATEINTERVAL=0", "RefuseUpdateInterval"), ("UPDATEINTERVAL=366", "RefuseUpdateInterval"),
    ("UPDATEINTERVAL=7d", "RefuseUpdateInterval"), ("UPDATEINTERVAL=+7", "RefuseUpdateInterval"),
    ("UPDATEINTERVAL=0007", "RefuseUpdateInterval"),
]


def action_result(log, action):
    """The return value that an installer's log gives ACTION ("1": success
    in Wine's msiexec), or None when it did not run."""
    end = ": %s. Return value " % action
    return next((l.split(end, 1)[1].rstrip(".") for l in log.splitlines()
                 if l.startswith("Action ended ") and end in l), None)


def checks_run(log):
    """The checks and refusals that ran (by name), as an installer's log
    gives them."""
    return sorted({l.split(": ", 1)[1].rstrip(".") for l in log.splitlines()
                   if l.startswith("Action start ") and
                   (": Check" in l or ": Refuse" in l)})


class Test:
    def __init__(self, a):
        self.a = a
        self.check = Checks("    ")
        self.exe = {
            "instprobe": os.path.join(a.bin_dir, "tests", "instprobe.exe"),
            "dlgdriver": os.path.join(a.bin_dir, "tests", "dlgdriver.exe"),
            "productrec": os.path.join(a.bin_dir, "tools", "productrec.exe"),
        }
        self.work = os.path.join(a.bin_dir, "tests", "installer-e2e")
        # The package under test, and how its installation is read.
        self.package, self.older_package = a.package, a.older_package
        self.upgrade_code, self.stage_dir = a.upgrade_code, a.stage_dir
        self.help_src = os.path.join(a.bin_dir, "modpanel", "help")
        self.view = []      # ["-32"]: the 32-bit view, from this 64-bit tree
        # The prefix in use, and the width of the custom action DLL that
        # runs there.
        self.prefix, self.wine_run, self.bits = a.prefix, a.wine_run, 64
        self.schedule = None
        self.server = VendorServer(a.server, a.port, os.path.join(self.work, "server.log"),
                                   lifetime=900, trust=a.trust, tls=a.scheme == "https")

    # --- Wine ----------------------------------------------------------------
    def run(self, *args, timeout=120, env=None):
        rc, out, _ = run_wine(self.wine_run, *args, timeout=timeout, env=env)
        return rc, out

    def probe(self, *args):
        return self.run(self.exe["instprobe"], *(self.view + list(args)))

    def make_prefix(self, arch=None):
        """A new prefix, its wine server and services started; ARCH "win32":
        a 32-bit one."""
        env = dict(os.environ, WINEPREFIX=self.prefix)
        subprocess.run(["sh", os.path.join(self.a.harness, "wine-stop.sh"), self.prefix])
        shutil.rmtree(self.prefix, ignore_errors=True)
        # The folder itself stays where it is a mount point (a prefix kept
        # in memory); what counts is that it is empty.
        os.makedirs(self.prefix, exist_ok=True)
        if os.listdir(self.prefix):
            print("the old prefix %s could not be removed" % self.prefix)
            return False
        self.run("wineboot", "-i", timeout=300, env=dict(os.environ, WINEARCH=arch) if arch else None)
        # The registry files appear when the wine server has written them.
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        for _ in range(2):
            if subprocess.run(["sh", os.path.join(self.a.harness, "wine-start.sh"),
                               self.wine_run, self.prefix]).returncode == 0:
                return True
            time.sleep(5)
        return False

    def stop_prefix(self):
        subprocess.run(["sh", os.path.join(self.a.harness, "wine-stop.sh"), self.prefix])

    def drop_prefix(self):
        """Stops the prefix and, when nothing has failed, removes what it
        holds (about 1.3 GB, made anew by the next run anyway); a failed
        run's prefix stays to be looked at."""
        self.stop_prefix()
        if not self.check.failures:
            for name in os.listdir(self.prefix):
                path = os.path.join(self.prefix, name)
                if os.path.isdir(path) and not os.path.islink(path):
                    shutil.rmtree(path, ignore_errors=True)
                else:
                    os.remove(path)

    def unix(self, path):
        """The Unix path of a C: path in the prefix."""
        assert path[:3].upper() == "C:\\", path
        return os.path.join(self.prefix, "drive_c", *[p for p in path[3:].split("\\") if p])

    def msiexec(self, action, package, *props, log, ui="/qn"):
        """msiexec /i or /x of PACKAGE with the user interface UI ("/qn"
        silent, "/qb" basic, None full); returns (exit code, text of the
        installer's log)."""
        log_win = "C:\\" + log
        log_unix = self.unix(log_win)
        if os.path.exists(log_unix):
            os.remove(log_unix)
        target = package if package.startswith("{") else "Z:" + package.replace("/", "\\")
        args = ["msiexec", action, target] + \
               ([ui] if ui else []) + ["/l*v", log_win] + list(props)
        t0 = time.time()
        rc, _ = self.run(*args, timeout=300)
        self.elapsed = time.time() - t0
        text = ""
        if os.path.exists(log_unix):
            with open(log_unix, encoding="latin-1") as f:
                text = f.read().replace("\r", "")
        return rc, text

    # --- What is installed ---------------------------------------------------
    def folders(self):
        rc, out = self.probe("folders")
        assert rc == 0, "instprobe folders"
        found = dict(line.split("\t", 1) for line in out.splitlines() if "\t" in line)
        self.install_dir = found["programfiles"] + "\\Brantlow\\Support Tools\\"
        self.help_dir = self.install_dir + "Component Help\\"
        self.vendor_dir = found["programfiles"] + "\\Brantlow\\"
        # Windows Installer makes per-machine shortcuts in the common
        # Start menu; Wine's msiexec in the user's. Either is right here.
        self.menu_dirs = [found["commonprograms"] + "\\" + TITLE + "\\",
                          found["programs"] + "\\" + TITLE + "\\"]

    def value(self, root, key, name):
        rc, out = self.probe("value", root, key, name)
        if rc != 0:
            return None
        kind, _, data = out.rstrip("\n").partition("\t")
        return int(data) if kind == "REG_DWORD" else data

    def key_exists(self, root, key):
        return self.probe("key", root, key)[0] == 0

    def products(self):
        rc, out = self.probe("products", "{%s}" % self.upgrade_code.strip("{}"))
        assert rc == 0, "instprobe products"
        return [line.split("\t") for line in out.splitlines() if line]

    def menu_dir(self):
        return next((d for d in self.menu_dirs if os.path.isdir(self.unix(d))), None)

    def nothing_installed(self, what, product_ids=(PRODUCT,), light=False):
        self.check(self.products() == [], what + ": no installation of the package is registered")
        self.check(not os.path.exists(self.unix(self.vendor_dir)),
                   what + ": no folder %s" % self.vendor_dir)
        if light:   # the same refusal's other cases checked everything
            return
        self.check(self.value("HKLM", RUN_KEY, "Brantlow Update") is None,
                   what + ": no log-on start value")
        for pid in product_ids:
            self.check(not self.key_exists("HKLM", r"Software\Brantlow\Products\%s" % pid),
                       what + ": no record of product %s" % pid)
        self.check(not self.key_exists("HKLM", SETUP_KEY), what + ": no key " + SETUP_KEY)
        listed = [n for n in self.help_files if self.value("HKLM", HTML_HELP_KEY, n) is not None]
        self.check(listed == [], what + ": no help file listed under HTML Help (got %s)" % listed)
        self.check(self.menu_dir() is None, what + ": no Start-menu folder \"%s\"" % TITLE)

    # --- The vendor server ---------------------------------------------------
    def start_server(self):
        self.server.start([{"sn": SERIAL, "status": "1 6 50 1200 20261208",
                            "url": "https://downloads.brantlow.example/mail650.exe"}],
                          os.path.join(self.work, "offers.json"))

    def stop_server(self):
        self.server.stop()

    def queries(self):
        return [q["fields"] for q in self.server.queries()]

    def driver(self, *args, timeout=60):
        return self.run(self.exe["dlgdriver"], *[str(a) for a in args], timeout=timeout)

    def start(self, link):
        """Starts a program as its shortcut says: target, arguments and
        working folder."""
        return subprocess.Popen([self.wine_run, link["target"]] + link["arguments"].split(),
                                cwd=self.unix(link["workdir"]), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # --- The steps -------------------------------------------------------------
    def bad_input(self):
        print("1. bad input", flush=True)
        cases = [
            ("no PRODUCT", ["SERIAL=" + SERIAL], "RefuseNoProduct", "No product given"),
            ("unknown PRODUCT=4", ["PRODUCT=4", "SERIAL=" + SERIAL], "RefuseUnknownProduct",
             "PRODUCT=4 is not the identifier of a product"),
            ("PRODUCT=26|17", ["PRODUCT=26|17", "SERIAL=" + SERIAL], "RefuseUnknownProduct",
             "PRODUCT=26|17 is not the identifier of a product"),
            ("PRODUCT=0", ["PRODUCT=0", "SERIAL=" + SERIAL], "RefuseUnknownProduct",
             "PRODUCT=0 is not the identifier"),
            ("no SERIAL", ["PRODUCT=%d" % PRODUCT], "RefuseNoSerial", "No serial number given"),
        ]
        for name, props, action, reason in cases:
            self.refused("/i", name, props, action, reason)
            self.nothing_installed(name, product_ids=(PRODUCT, 4, 0))
        self.bad_serials()

    def refused(self, verb, name, props, action, reason, package=None):
        rc, log = self.msiexec(verb, package or self.package, *props, log="refused.log")
        self.check(rc != 0, "%s: msiexec %s fails (exit code %d)" % (name, verb, rc))
        line = next((l for l in log.splitlines() if l.startswith("Action ") and
                     (": %s." % action) in l and "Refused." in l), "")
        self.check(reason in line, "%s: the log says why (%r)" % (name, line or "nothing"))

    def bad_serials(self):
        """Each serial that the notifier could not send as given."""
        form, chars = "RefuseSerialForm", "RefuseSerialCharacter"
        cases = [
            ("#650", form, 'begins with "#"'), ("BMT[~]650", form, 'holds "[~]"'),
            ("BMT&sn=1", chars, '"&", "=", "+" and "%"'), ("BMT=650", chars, '"&"'),
            ("BMT+650", chars, '"&"'), ("BMT%26650", chars, '"&"'),
        ]
        for serial, action, reason in cases:
            self.refused("/i", "SERIAL=%r" % serial, ["PRODUCT=%d" % PRODUCT, "SERIAL=" + serial],
                         action, reason)
            self.nothing_installed("SERIAL=%r" % serial, light=True)
        self.serial_text("")

    def serial_text(self, what):
        """SERIAL_TEXT through the package: each serial refused with its
        reason, or installed as given (and removed), the custom action DLL
        of this prefix's width at work."""
        own = "CheckSerial%d" % self.bits
        other = "CheckSerial%d" % (32 if self.bits == 64 else 64)
        for serial, reason in SERIAL_TEXT:
            name = what + "SERIAL=%r" % (serial if len(serial) < 20 else
                                         "%s... (%d characters)" % (serial[:8], len(serial)))
            props = ["PRODUCT=%d" % PRODUCT, "SERIAL=" + serial]
            if reason:
                self.refused("/i", name, props, "RefuseSerialText", reason)
                self.nothing_installed(name, light=True)
                continue
            rc, log = self.msiexec("/i", self.package, *props, log="serial.log")
            got = self.value("HKLM", r"Software\Brantlow\Products\%d" % PRODUCT, "SerialNumber")
            self.check(rc == 0 and got == serial, "%s: installed as given (exit code %d, got %r)"
                       % (name, rc, got))
            self.check(action_result(log, own) == "1" and action_result(log, other) is None,
                       "%s: checked by the %d-bit custom action DLL (%s ran, %s did not)"
                       % (name, self.bits, own, other))
            rc, _ = self.msiexec("/x", self.package, log="serial-remove.log")
            self.check(rc == 0, "%s: removed (exit code %d)" % (name, rc))
            self.nothing_installed(name + ", removed", light=True)

    def script_engines_off(self):
        """This prefix's msiexec runs no script: a copy of the package with a
        JScript or VBScript action added fails to install. The package's own
        rows are then known to need neither."""
        for kind, engine in ((37, "JScript"), (38, "VBScript")):
            copy = os.path.join(self.work, "with-script.msi")
            with_script_action(self.a.msibuild, self.package, copy, kind, 59)
            rc, log = self.msiexec("/i", copy, "PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL,
                                   log="script.log")
            result = action_result(log, "ProbeScript")
            self.check(rc != 0 and result not in (None, "1"), "a copy of the package with a %s "
                       "action fails there: the script engines are off (exit code %d, the "
                       "action's return value %s)" % (engine, rc, result))
            self.nothing_installed("a copy with a %s action" % engine, light=True)

    def upgrade(self):
        print("2. silent install of the older package, then of this one", flush=True)
        rc, log = self.msiexec("/i", self.older_package, "PRODUCT=%d" % PRODUCT,
                               "SERIAL=" + SERIAL, log="older.log")
        self.check(rc == 0, "older package: installs (exit code %d)" % rc)
        self.check(log != "" and "StartNotifier" not in log,
                   "older package: the silent install does not start the notifier")
        older = self.products()
        self.check([p[1] for p in older] == ["0.9.0"], "older package: installed as 0.9.0 (got %s)" % older)
        self.check(not self.same_file("updnotify.exe", "updnotify/updnotify.exe"),
                   "older package: its notifier is not this build's")

        rc, log = self.msiexec("/i", self.package, log="upgrade.log")
        self.check(rc == 0, "this package over the older one, without PRODUCT or SERIAL: "
                   "installs (exit code %d)" % rc)
        self.check(log != "" and "StartNotifier" not in log,
                   "the silent upgrade does not start the notifier")
        now = self.products()
        self.check(len(now) == 1 and now[0][1] == self.a.version and now[0][0] != older[0][0],
                   "one installation remains, version %s (got %s)" % (self.a.version, now))
        self.upgrade_inside_transaction(log)
        self.programs_and_features(now[0][0] if now else "")

    def upgrade_inside_transaction(self, log):
        """The older package is removed inside the new installation's
        transaction: after InstallInitialize, before anything is installed.
        Wine's msiexec shows the order of the actions; whether a failure
        puts the older installation back it does not show (its rollback is
        not Windows')."""
        starts = [l.split(": ", 1)[1].rstrip(".") for l in log.splitlines()
                  if l.startswith("Action start ") and ": " in l]
        order = [starts.index(a) if a in starts else -1
                 for a in ("InstallInitialize", "RemoveExistingProducts", "InstallFiles")]
        self.check(-1 not in order and order == sorted(order), "the upgrade removes the older "
                   "package after InstallInitialize and before InstallFiles (positions %s)" % order)

    def programs_and_features(self, code):
        key = UNINSTALL_KEY + "\\" + code
        got = {n: self.value("HKLM", key, n) for n in ("NoModify", "HelpLink", "URLInfoAbout")}
        self.check(got == {"NoModify": 1, "HelpLink": self.a.vendor_url,
                           "URLInfoAbout": self.a.vendor_url},
                   "Programs and Features: no Change, the vendor's links %s (got %s)"
                   % (self.a.vendor_url, got))
        # The icon that Programs and Features shows, kept by the installer.
        icon = "C:\\windows\\Installer\\%s\\updnotify.exe" % code
        self.check(os.path.isfile(self.unix(icon)), "its icon is kept as " + icon)

    def same_file(self, installed, built):
        path = self.unix(self.install_dir + installed)
        if not os.path.isfile(path):
            return False
        with open(path, "rb") as f, open(os.path.join(self.stage_dir, built), "rb") as g:
            return f.read() == g.read()

    def contents(self):
        print("3. what the installation holds", flush=True)
        for installed, built in (("updnotify.exe", "updnotify/updnotify.exe"),
                                 ("updnotify.chm", "updnotify/updnotify.chm"),
                                 ("modpanel.exe", "modpanel/modpanel.exe"),
                                 ("modpanel.chm", "modpanel/modpanel.chm")):
            self.check(self.same_file(installed, built),
                       "%s%s is the one this build ships" % (self.install_dir, installed))
        for name in self.help_files:
            self.check(self.same_file("Component Help\\" + name,
                                      os.path.join(self.help_src, name)),
                       "%s%s is this build's" % (self.help_dir, name))
            self.check(self.value("HKLM", HTML_HELP_KEY, name) == self.help_dir,
                       "HTML Help value %s is %s" % (name, self.help_dir))
        run = '"%supdnotify.exe" /STARTUP' % self.install_dir
        got = self.value("HKLM", RUN_KEY, "Brantlow Update")
        self.check(got == run, "log-on start is %s (got %r)" % (run, got))
        got = self.value("HKLM", r"Software\Brantlow\Products\%d" % PRODUCT, "SerialNumber")
        self.check(got == SERIAL, "product %d is recorded with serial number %s (got %r)"
                   % (PRODUCT, SERIAL, got))
        if self.view:       # this tree's productrec reads the other view
            return self.shortcut_checks()
        # The catalogue itself sees the record (productrec lists as the
        # programs read it).
        rc, out = self.run(self.exe["productrec"], "list")
        state = next((l.split("\t")[2] for l in out.splitlines() if l.split("\t")[0] == str(PRODUCT)), None)
        self.check(rc == 0 and state == SERIAL, "the catalogue reads product %d as installed with "
                   "%s (got %r)" % (PRODUCT, SERIAL, state))
        # Every identifier the package accepts (its CATALOGUEPRODUCTS) is
        # the catalogue's as the programs read it, and back.
        listed = sorted(int(l.split("\t")[0]) for l in out.splitlines() if l)
        self.check(listed != [] and listed == sorted(self.accepted), "the package accepts exactly the catalogue's "
                   "%d products (catalogue: %d)" % (len(self.accepted), len(listed)))
        self.shortcut_checks()

    def shortcut_checks(self):
        menu = self.menu_dir()
        self.check(menu is not None, "Start-menu folder \"%s\" exists" % TITLE)
        self.shortcuts = {}
        for name, target, workdir, args in (
                ("Component Panel", "modpanel.exe", self.help_dir, "/PRODUCT:%d" % PRODUCT),
                ("Check for Updates", "updnotify.exe", self.install_dir,
                 "/PRODUCT:%d /DEBUG" % PRODUCT)):
            rc, out = self.probe("shortcut", (menu or "") + name + ".lnk")
            link = dict(line.split("\t", 1) for line in out.splitlines() if "\t" in line)
            self.shortcuts[name] = link
            self.check(rc == 0 and link.get("target") == self.install_dir + target and
                       link.get("arguments") == args and link.get("workdir") == workdir,
                       "shortcut \"%s\" starts %s%s %s in %s (got %s)"
                       % (name, self.install_dir, target, args, workdir, link))

    def repair(self):
        print("3b. repair", flush=True)
        os.remove(self.unix(self.install_dir + "modpanel.chm"))
        self.probe("delete", "HKLM", HTML_HELP_KEY, COMPONENT_HELP)
        self.probe("delete", "HKLM", r"Software\Brantlow\Products\%d" % PRODUCT)
        self.check(self.value("HKLM", HTML_HELP_KEY, COMPONENT_HELP) is None,
                   "damaged: %s is no longer listed" % COMPONENT_HELP)
        # Wine's msiexec /f does not repair (exit code 69); the property
        # form does the same on Windows.
        rc, log = self.msiexec("/i", self.package, "REINSTALL=ALL", "REINSTALLMODE=amus",
                               log="repair.log")
        self.check(rc == 0, "repair without PRODUCT or SERIAL: succeeds (exit code %d)" % rc)
        self.check(self.same_file("modpanel.chm", "modpanel/modpanel.chm"),
                   "repair: modpanel.chm is back")
        self.check(self.value("HKLM", HTML_HELP_KEY, COMPONENT_HELP) == self.help_dir,
                   "repair: %s is listed again" % COMPONENT_HELP)
        got = self.value("HKLM", r"Software\Brantlow\Products\%d" % PRODUCT, "SerialNumber")
        self.check(got == SERIAL, "repair: product %d is recorded again with %s (got %r)"
                   % (PRODUCT, SERIAL, got))
        self.check(len(self.products()) == 1, "repair: one installation")
        self.check("StartNotifier" not in log, "repair does not start the notifier")
        self.other_product_or_serial()

    def other_product_or_serial(self):
        """A repair or removal acts on the installation's product and serial
        only: told others, it is refused and changes nothing."""
        other = "not as PRODUCT=17"    # the reason names the given product
        for verb, name, props, action, reason in (
                ("/x", "removal with PRODUCT=17", ["PRODUCT=17"], "RefuseOtherProduct", other),
                ("/i", "repair with PRODUCT=17", ["PRODUCT=17", "REINSTALL=ALL",
                                                  "REINSTALLMODE=amus"], "RefuseOtherProduct", other),
                ("/x", "removal with another SERIAL", ["SERIAL=BMT-OTHER"], "RefuseOtherSerial",
                 "installed with; it is repaired, upgraded and removed with that one only")):
            self.refused(verb, name, props, action, reason)
            got = self.value("HKLM", r"Software\Brantlow\Products\%d" % PRODUCT, "SerialNumber")
            self.check(len(self.products()) == 1 and got == SERIAL and
                       not self.key_exists("HKLM", r"Software\Brantlow\Products\17"),
                       "%s: the installation and its record stay, no record of 17" % name)
        other = [d[:-len(TITLE) - 1] + self.titles[17] for d in self.menu_dirs]
        self.check(not any(os.path.exists(self.unix(d)) for d in other),
                   "no Start-menu folder \"%s\"" % self.titles[17])

    def panel(self):
        print("4. the installed panel with a component's help", flush=True)
        # The component itself comes with the product, not with this
        # package: here a file of the tests, in the Windows folder, where the
        # panel's search finds it from either kind of program.
        component = self.unix("C:\\windows\\" + COMPONENT)
        shutil.copyfile(os.path.join(self.a.bin_dir, "tests", "probe_component.dll"), component)
        link = self.shortcuts.get("Component Panel", {})
        if not self.check("target" in link, "the panel's shortcut was read"):
            return
        proc = self.start(link)
        rc, out = self.driver("show", PANEL_CAPTION, 20000)
        self.check(rc == 0, "the panel shows \"%s\"" % PANEL_CAPTION)
        lines = {l.split(" ")[1]: l for l in out.splitlines() if l.startswith("control ")}
        # 1015: the status of the first file listed, COMPONENT.
        self.check(lines.get("1015", "").endswith(" Installed, Not registered"),
                   "the panel finds %s installed (%r)" % (COMPONENT, lines.get("1015")))
        self.check(" enabled " in lines.get("1018", ""), "its Help button is enabled (%r)"
                   % lines.get("1018"))
        help_title = None
        # The help project that the build wrote for the component's help file.
        help_hhp = os.path.join(self.a.bin_dir, "modpanel", "help-source", "bnet", "bnet.hhp")
        with open(help_hhp, encoding="latin-1") as f:
            help_title = next(l.split("=", 1)[1].strip() for l in f if l.startswith("Title="))
        self.driver("press", PANEL_CAPTION, IDC_HELP_BUTTON, 5000)
        rc, _ = self.driver("show", help_title, 15000)
        self.check(rc == 0, "Help opens \"%s\" (%s from the installed help folder)"
                   % (help_title, COMPONENT_HELP))
        self.driver("post", PANEL_CAPTION, WM_COMMAND, IDCANCEL, 5000)
        self.check.ended(proc, "the panel", 30)
        os.remove(component)

    def notifier(self):
        print("5. the installed notifier asks the vendor server", flush=True)
        self.check(self.queries() == [], "no silent install started the notifier "
                   "(the server was asked %d times)" % len(self.queries()))
        link = self.shortcuts.get("Check for Updates", {})
        if not self.check("target" in link, "the notifier's shortcut was read"):
            return
        proc = self.start(link)
        rc, out = self.driver("show", NOTIFIER, 30000)
        self.check(rc == 0 and DISPLAY_NAME in out, "the offer dialog shows \"%s\"" % DISPLAY_NAME)
        self.driver("press", NOTIFIER, IDC_CHECK_LATER, 5000)
        self.check.ended(proc, "the notifier", 30)
        q = self.queries()
        self.check(len(q) == 1 and q[0].get("sn") == SERIAL and
                   (q[0].get("v1"), q[0].get("v2"), q[0].get("v3")) == ("6", "50", "1058"),
                   "the server was asked once for %s 6.50.1058 (got %s)" % (SERIAL, q))
        self.schedule = self.value("HKCU", SCHEDULE_KEY, "NextCheck")
        self.check(isinstance(self.schedule, int) and self.schedule > time.time() + 20 * 86400,
                   "Check Later put the next check a month on (got %r)" % self.schedule)
        # A user who asks for a check gets one, a month early or not.
        proc = self.start(link)
        rc, out = self.driver("show", NOTIFIER, 30000)
        self.check(rc == 0 and DISPLAY_NAME in out, "Check for Updates after Check Later: "
                   "the offer shows again")
        self.driver("press", NOTIFIER, IDC_CHECK_LATER, 5000)
        self.check.ended(proc, "the notifier", 30)
        self.check(len(self.queries()) == 2, "the server was asked again")
        self.schedule = self.value("HKCU", SCHEDULE_KEY, "NextCheck")

    def removal(self, what, by_code=False):
        code = self.products()[0][0] if by_code and self.products() else None
        rc, _ = self.msiexec("/x", code or self.package, log="remove.log")
        if by_code:
            self.check(code is not None, what + ": by product code %s" % code)
        self.check(rc == 0, what + ": removes (exit code %d)" % rc)
        self.nothing_installed(what)
        self.check(self.value("HKCU", SCHEDULE_KEY, "NextCheck") == self.schedule,
                   what + ": the user's schedule stays (NextCheck %r)" % self.schedule)

    def interactive(self):
        print("7. neither a basic-UI install nor an elevated interactive one starts the notifier",
              flush=True)
        rc, log = self.msiexec("/i", self.package, "PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL,
                               log="basic.log", ui="/qb")
        self.check(rc == 0, "/qb: installs (exit code %d)" % rc)
        self.check(log != "" and "StartNotifier" not in log, "/qb: the notifier is not started")
        self.removal("removal after /qb")
        self.asked_before = len(self.queries())
        rc, log = self.msiexec("/i", self.package, "PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL,
                               log="interactive.log", ui=None)
        self.check(rc == 0, "installs (exit code %d)" % rc)
        # Wine's msi runs every install elevated: the user-interface
        # sequence went past the point where an install without elevation
        # starts the notifier, and did not start it.
        self.check("Property(S): MsiRunningElevated = 1" in log and
                   action_result(log, "ExecuteAction") is not None and
                   action_result(log, "StartNotifier") is None,
                   "an elevated interactive install does not start the notifier (it would have "
                   "the installer's rights): the log-on start makes the first check")

    def values_that_stood_before(self):
        print("8. values that stood before the package", flush=True)
        record = r"Software\Brantlow\Products\%d" % PRODUCT
        # A record made before (as "productrec add" makes one).
        self.probe("set", "HKLM", record, "SerialNumber", "BMT-650-OTHER")
        self.refused("/i", "a record of product %d with another serial" % PRODUCT,
                     ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL], "RefuseRecordSerial",
                     "Product %d is recorded already with another serial number" % PRODUCT)
        self.check(self.value("HKLM", record, "SerialNumber") == "BMT-650-OTHER",
                   "that record is unchanged")
        self.probe("set", "HKLM", record, "SerialNumber", SERIAL)
        foreign = "C:\\Program Files\\Other Vendor\\Help\\"
        self.probe("set", "HKLM", HTML_HELP_KEY, COMPONENT_HELP, foreign)
        for step, verb, props in (("install", "/i", ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL]),
                                  ("removal", "/x", [])):
            rc, _ = self.msiexec(verb, self.package, *props, log="stood.log")
            self.check(rc == 0, "with a record and a help value there before: %s "
                       "(exit code %d)" % (step, rc))
            got = self.value("HKLM", HTML_HELP_KEY, COMPONENT_HELP)
            self.check(got == foreign, "after %s: %s is still the other product's %s (got %r)"
                       % (step, COMPONENT_HELP, foreign, got))
            got = self.value("HKLM", record, "SerialNumber")
            self.check(got == SERIAL, "after %s: the record made before is there (got %r)"
                       % (step, got))
            ours = [n for n in self.help_files if n != COMPONENT_HELP and
                    self.value("HKLM", HTML_HELP_KEY, n) == self.help_dir]
            expected = len(self.help_files) - 1 if step == "install" else 0
            self.check(len(ours) == expected, "after %s: %d of the package's help values "
                       "(got %d)" % (step, expected, len(ours)))
        self.probe("delete", "HKLM", HTML_HELP_KEY, COMPONENT_HELP)
        self.probe("delete", "HKLM", record, "SerialNumber")
        self.probe("delete", "HKLM", record)
        self.check(self.products() == [] and not self.key_exists("HKLM", SETUP_KEY),
                   "nothing of the package is left")

    def policy_refused(self, what=""):
        install = ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL]
        for prop, action in POLICY_REFUSED:
            self.refused("/i", what + prop, install + [prop], action,
                         "Unusable policy value: %s is " % prop)
            self.nothing_installed(what + prop, light=True)
            self.check(not self.key_exists("HKLM", POLICY_KEY), what + prop + ": no policy key")

    def policy_properties(self):
        print("8b. the notifier's policy from UPDATECHECKS and UPDATEINTERVAL", flush=True)
        install = ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL]
        self.policy_refused()
        # An administrator's interval stood before: it stays, at install and
        # at removal; the checks value is the package's.
        self.probe("set", "HKLM", POLICY_KEY, "Interval", "30")
        rc, _ = self.msiexec("/i", self.package, *install + ["UPDATECHECKS=0", "UPDATEINTERVAL=7"],
                             log="policy.log")
        self.check(rc == 0, "UPDATECHECKS=0 UPDATEINTERVAL=7: installs (exit code %d)" % rc)
        got = (self.value("HKLM", POLICY_KEY, "Enabled"), self.value("HKLM", POLICY_KEY, "Interval"))
        self.check(got == (0, "30"), "Enabled is REG_DWORD 0, the Interval that stood stays "
                   "(got %r)" % (got,))
        self.probe("delete", "HKLM", POLICY_KEY, "Enabled")
        rc, _ = self.msiexec("/i", self.package, "REINSTALL=ALL", "REINSTALLMODE=amus",
                             log="policy-repair.log")
        got = self.value("HKLM", POLICY_KEY, "Enabled")
        self.check(rc == 0 and got == 0, "a repair told nothing writes Enabled 0 again (exit code "
                   "%d, got %r)" % (rc, got))
        rc, log = self.msiexec("/x", self.package, log="policy-remove.log")
        got = (self.value("HKLM", POLICY_KEY, "Enabled"), self.value("HKLM", POLICY_KEY, "Interval"))
        self.check(rc == 0 and got == (None, "30") and checks_run(log) == [], "removal of an "
                   "installation that remembers its policy checks nothing and takes the "
                   "package's Enabled only (exit code %d, got %r, ran %s)"
                   % (rc, got, checks_run(log)))
        self.probe("delete", "HKLM", POLICY_KEY, "Interval")
        self.policy_lifecycle()

    def policy_lifecycle(self, what=""):
        """An installation told UPDATECHECKS=0 UPDATEINTERVAL=5 is repaired,
        upgraded and removed, none of them told the values again; its
        removal goes whatever the installation remembered or the command
        line gives, and leaves nothing of the package's."""
        told = ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL, "UPDATECHECKS=0", "UPDATEINTERVAL=5"]
        steps = [("older package told UPDATECHECKS=0 UPDATEINTERVAL=5", self.older_package, told),
                 ("its repair", self.older_package, ["REINSTALL=ALL", "REINSTALLMODE=amus"]),
                 ("this package over it, told nothing", self.package, [])]
        for step, package, props in steps:
            rc, _ = self.msiexec("/i", package, *props, log="policy-step.log")
            got = (self.value("HKLM", POLICY_KEY, "Enabled"), self.value("HKLM", POLICY_KEY, "Interval"))
            self.check(rc == 0 and got == (0, 5), "%s%s: Enabled 0, Interval 5 (exit code %d, got "
                       "%r)" % (what, step, rc, got))
        self.check([p[1] for p in self.products()] == [self.a.version],
                   what + "one installation, this package's")
        # A command line full of bad values and of the checks' findings:
        # nothing is checked or refused at a removal, but another PRODUCT or
        # SERIAL than the installation's (its own may be given).
        hostile = ["PRODUCT=%d" % PRODUCT, "SERIAL=" + SERIAL, "UPDATECHECKS=2",
                   "UPDATEINTERVAL=366", "NEWERFOUND=1", "SERIALFAULT=1", "UPDATECHECKSFAULT=1",
                   "UPDATEINTERVALFAULT=1"]
        rc, log = self.msiexec("/x", self.package, *hostile, log="policy-remove.log")
        self.check(rc == 0 and checks_run(log) == [], "%sremoval told %s: removes, nothing "
                   "checked or refused (exit code %d, ran %s)"
                   % (what, " ".join(hostile[2:]), rc, checks_run(log)))
        self.nothing_installed(what + "after that removal")
        self.check(not self.key_exists("HKLM", POLICY_KEY), what + "no policy key is left")

    def shipped_package(self):
        print("9. the shipped i686 package under 64-bit msiexec (its programs are not started)",
              flush=True)
        tree = self.a.shipped_tree
        self.view = ["-32"]
        self.package = os.path.join(tree, "installer", "brantlow-support.msi")
        self.older_package = os.path.join(tree, "installer", "brantlow-support-0.9.0.msi")
        self.upgrade_code = self.a.shipped_upgrade_code
        self.stage_dir = os.path.join(tree, "installer", "stage")
        self.help_src = os.path.join(tree, "modpanel", "help")
        self.folders()
        self.nothing_installed("shipped package, before")
        self.refused("/i", "shipped package, no SERIAL", ["PRODUCT=%d" % PRODUCT],
                     "RefuseNoSerial", "No serial number given")
        self.serial_text("shipped package, ")
        self.upgrade()
        self.contents()
        self.repair()
        self.removal("shipped package: removal, by product code", by_code=True)
        self.values_that_stood_before()
        self.policy_lifecycle("shipped package: ")

    def prefix32(self):
        print("10. in a 32-bit prefix, where the i686 custom action DLL runs", flush=True)
        self.drop_prefix()
        self.prefix, self.wine_run, self.bits = self.a.prefix32, self.a.wine_run32, 32
        if not self.check(self.make_prefix("win32"), "a 32-bit prefix at " + self.prefix):
            return
        self.folders()
        self.check(self.value("HKLM", CODE_PAGE_KEY, "ACP") == "1252", "32-bit prefix: its "
                   "ANSI code page is 1252")
        self.serial_text("32-bit prefix, ")
        self.policy_refused("32-bit prefix, ")

    def main(self):
        # What the package itself lists (its tables, read with msiinfo): the
        # help files under the HTML Help key and the identifiers it accepts.
        registry = msi_table(self.a.msiinfo, self.a.package, "Registry")
        self.help_files = sorted(r[3] for r in registry if r[1] == "2" and r[2] == HTML_HELP_KEY)
        props = {r[0]: r[1] for r in msi_table(self.a.msiinfo, self.a.package, "Property") if len(r) > 1}
        self.accepted = [int(n) for n in props.get("CATALOGUEPRODUCTS", "").split("|") if n]
        # Each help-file check below runs once per listed file.
        self.check(len(self.help_files) > 0, "the package lists help files under HTML Help")
        # Each product's Start-menu folder name, as the catalogue gives it.
        lists = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir,
                             "installer", "make_package_lists.py")
        out = subprocess.run([sys.executable, lists, "--list-products"], check=True,
                             capture_output=True, text=True).stdout
        self.titles = dict((int(l.split("\t")[0]), l.split("\t")[1]) for l in out.splitlines() if l)
        os.makedirs(self.work, exist_ok=True)
        t0 = time.time()
        if not self.make_prefix():
            print("FAIL: no Wine prefix at " + self.prefix)
            return 1
        print("a new prefix in %.0f s" % (time.time() - t0), flush=True)
        try:
            self.folders()
            self.nothing_installed("fresh prefix")
            self.check(self.value("HKLM", CODE_PAGE_KEY, "ACP") == "1252", "the prefix's ANSI "
                       "code page is 1252")
            self.script_engines_off()
            self.bad_input()
            self.start_server()
            self.upgrade()
            self.contents()
            self.repair()
            self.panel()
            self.notifier()
            print("6. silent removal", flush=True)
            self.removal("silent removal")
            self.interactive()
            print("   and its removal", flush=True)
            self.removal("removal after the interactive install, by product code", by_code=True)
            self.check(len(self.queries()) == self.asked_before, "nothing asked the server since "
                       "the interactive install")
            self.values_that_stood_before()
            self.policy_properties()
            if self.a.shipped_tree:
                self.shipped_package()
            if self.a.prefix32:
                self.prefix32()
        finally:
            self.stop_server()
            self.drop_prefix()
        return self.check.status()


def main():
    # Wine reads its command line in the locale's character set: in a UTF-8
    # one the serials reach msiexec as given.
    os.environ["LC_ALL"] = "C.UTF-8"
    p = argparse.ArgumentParser()
    for name in ("wine-run", "prefix", "harness", "bin-dir", "stage-dir", "package", "older-package",
                 "upgrade-code", "version", "server", "port", "scheme", "msiinfo", "msibuild", "vendor-url"):
        p.add_argument("--" + name, required=True)
    p.add_argument("--trust")
    p.add_argument("--shipped-tree")
    p.add_argument("--shipped-upgrade-code")
    p.add_argument("--prefix32")
    p.add_argument("--wine-run32")
    return Test(p.parse_args()).main()


if __name__ == "__main__":
    sys.exit(main())
