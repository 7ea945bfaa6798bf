// Reads a compiled extended dialog template (DLGTEMPLATEEX) from a module's
// resources, for the tests that check the dialogs as they are built.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateControl
{
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    std::string cls;        // a system class as its atom: "#128" for Button
    std::string text;       // or "#n" for an ordinal
};

struct DialogTemplate
{
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    std::string menu, cls, caption;     // "" for none
    WORD points;
    std::string font;
    std::vector<TemplateControl> controls;
};

// The template of dialog id in module (nullptr: this program); false when
// there is none, it is not of the extended form, or it ends too soon.
bool ReadDialogTemplate(HMODULE module, WORD id, DialogTemplate* t);
