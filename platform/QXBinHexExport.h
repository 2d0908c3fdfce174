// QXBinHexExport.h — QXBINHEX_EXPORT, the mark of what libQXBinHex.so exports: the control, the
// search engine it hands out, and the colour, text output, code page and position types and
// functions its API uses.
#pragma once

#include <QtGlobal>

// The library's objects (and the static libraries made of the same objects) are compiled with
// QXBinHex_EXPORTS and hidden visibility: only what this marks leaves the shared library. A
// program using the library sees the declarations as imported.
#if defined(QXBinHex_EXPORTS)
#define QXBINHEX_EXPORT Q_DECL_EXPORT
#else
#define QXBINHEX_EXPORT Q_DECL_IMPORT
#endif
