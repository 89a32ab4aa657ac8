// The Windows headers the backends use, included in one place: the
// interfaces have members named like Windows functions (DrawText,
// OpenPrinter) that the headers define as macros, so those macros go here
// and the backends call the "W" functions by their full names.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincodec.h>
#include <winspool.h>

#undef DrawText
#undef OpenPrinter
