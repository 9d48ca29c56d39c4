#pragma once

#include <QtGlobal>

// Virtual key codes of the keys the kit names or treats specially. The numbering is positional:
// a key keeps its code whatever its layout prints on it.
constexpr quint64 kVK_ANSI_A = 0;
constexpr quint64 kVK_ANSI_E = 14;
constexpr quint64 kVK_ANSI_Q = 12;
constexpr quint64 kVK_ANSI_W = 13;
constexpr quint64 kVK_Return = 36;
constexpr quint64 kVK_Tab = 48;
constexpr quint64 kVK_Space = 49;
constexpr quint64 kVK_Delete = 51;
constexpr quint64 kVK_Escape = 53;
constexpr quint64 kVK_ANSI_KeypadClear = 71;
constexpr quint64 kVK_ANSI_KeypadEnter = 76;
constexpr quint64 kVK_F20 = 90;
constexpr quint64 kVK_F5 = 96;
constexpr quint64 kVK_Help = 114;
constexpr quint64 kVK_Home = 115;
constexpr quint64 kVK_PageUp = 116;
constexpr quint64 kVK_ForwardDelete = 117;
constexpr quint64 kVK_End = 119;
constexpr quint64 kVK_PageDown = 121;
constexpr quint64 kVK_LeftArrow = 123;
constexpr quint64 kVK_RightArrow = 124;
constexpr quint64 kVK_DownArrow = 125;
constexpr quint64 kVK_UpArrow = 126;
