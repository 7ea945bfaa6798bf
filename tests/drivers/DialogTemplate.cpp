#include "DialogTemplate.h"

namespace
{

class Reader
{
public:
    Reader(const BYTE* start, DWORD size) : start(start), p(start), end(start + size) {}
    bool ok() const { return p <= end; }
    WORD Word()
    {
        WORD w = 0;
        if (p + 2 <= end)
            w = (WORD)(p[0] | (p[1] << 8));
        p += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD lo = Word();
        return lo | ((DWORD)Word() << 16);
    }
    std::string Text()
    {
        std::string s;
        for (WORD c = Word(); c != 0 && ok(); c = Word())
            s += c < 128 ? (char)c : '?';
        return s;
    }
    // A name or an ordinal ("#n"); "" for none.
    std::string NameOrOrdinal()
    {
        WORD first = Word();
        if (first == 0)
            return "";
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        p -= 2;
        return Text();
    }
    void AlignDword() { p = start + ((p - start + 3) & ~3); }
    void Skip(WORD n) { p += n; }

private:
    const BYTE* start;
    const BYTE* p;
    const BYTE* end;
};

// A system control class given by name stands for its atom.
std::string ClassAtom(const std::string& cls)
{
    const struct
    {
        const char* name;
        const char* atom;
    } known[] = {{"Button", "#128"}, {"Edit", "#129"}, {"Static", "#130"}, {"ComboBox", "#133"}};
    for (const auto& k : known)
        if (lstrcmpiA(cls.c_str(), k.name) == 0)
            return k.atom;
    return cls;
}

} // namespace

bool ReadDialogTemplate(HMODULE module, WORD id, DialogTemplate* t)
{
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const BYTE* bytes = data ? (const BYTE*)LockResource(data) : nullptr;
    if (bytes == nullptr)
        return false;
    Reader r(bytes, SizeofResource(module, res));
    if (r.Word() != 1 || r.Word() != 0xFFFF)       // version 1 of the extended form
        return false;
    r.Dword();                                      // help id
    t->exStyle = r.Dword();
    t->style = r.Dword();
    WORD count = r.Word();
    t->x = (short)r.Word();
    t->y = (short)r.Word();
    t->cx = (short)r.Word();
    t->cy = (short)r.Word();
    t->menu = r.NameOrOrdinal();
    t->cls = r.NameOrOrdinal();
    t->caption = r.Text();
    t->points = 0;
    if (t->style & DS_SETFONT)
    {
        t->points = r.Word();
        r.Word();                                   // weight
        r.Word();                                   // italic, character set
        t->font = r.Text();
    }
    t->controls.clear();
    for (WORD i = 0; i < count && r.ok(); ++i)
    {
        TemplateControl c;
        r.AlignDword();
        r.Dword();                                  // help id
        c.exStyle = r.Dword();
        c.style = r.Dword();
        c.x = (short)r.Word();
        c.y = (short)r.Word();
        c.cx = (short)r.Word();
        c.cy = (short)r.Word();
        c.id = r.Dword();
        c.cls = ClassAtom(r.NameOrOrdinal());
        c.text = r.NameOrOrdinal();
        r.Skip(r.Word());                           // creation data
        t->controls.push_back(c);
    }
    return r.ok() && t->controls.size() == count;
}
