// The product lines (groups) of the catalogue, by name: every place that
// needs a line's number takes it from here. modpanel/make_component_table.py
// reads this file for the lines that ship each component (the name after
// "k" and the description after "//" on each line below).
#pragma once

#include <windows.h>

namespace ProductLine {

constexpr int kBarcode = 1;        // Barcode Kit
constexpr int kMail4 = 2;          // Mail Toolkit 4.x
constexpr int kMail5 = 3;          // Mail Toolkit 5.x (.NET 5.0)
constexpr int kMail6 = 4;          // Mail Toolkit 6.x (.NET 6.0)
constexpr int kTransfer4 = 5;      // Transfer Kit 4.x
constexpr int kTransfer5 = 6;      // Transfer Kit 5.x (.NET 5.0)
constexpr int kTransfer6 = 7;      // Transfer Kit 6.x (.NET 6.0)
constexpr int kCompression = 8;    // Zip Library
constexpr int kCharting5 = 9;      // Charts for .NET 5.x
constexpr int kCharting6 = 10;     // Charts for .NET 6.x
constexpr int kTerminal3 = 11;     // Terminal Kit 3.x
constexpr int kTerminal5 = 12;     // Terminal Kit 5.x (.NET 5.0)
constexpr int kTerminal6 = 13;     // Terminal Kit 6.x (.NET 6.0)
constexpr int kSpellCheck = 14;    // Spell Check Kit

constexpr int kFirst = kBarcode;
constexpr int kLast = kSpellCheck;

} // namespace ProductLine

// What the component panel shows when no product is named: the first
// installed product of this line, else this product (of the same line).
constexpr int kDefaultPanelLine = ProductLine::kMail6;
constexpr DWORD kDefaultPanelProduct = 17;
