// QXBinHexProperties.cpp — the properties of TQXBinHex: stored in TQXBinHexPrivate, clamped and
// applied as their setters say.
#include "QXBinHex_p.h"

#include <algorithm>

int TQXBinHex::TextLineSpacing() const {
    return d->FTextLineSpacing;
}

void TQXBinHex::setTextLineSpacing(int v) {
    d->FTextLineSpacing = v;
}

bool TQXBinHex::TextEnableSel() const {
    return d->FTextEnableSel;
}

void TQXBinHex::setTextEnableSel(bool v) {
    d->FTextEnableSel = v;
}

QFont TQXBinHex::FontOEM() const {
    return d->FFontOEM;
}

void TQXBinHex::setFontOEM(const QFont& v) {
    d->FFontOEM = v;
}

QFont TQXBinHex::FontFooter() const {
    return d->FFontFooter;
}

void TQXBinHex::setFontFooter(const QFont& v) {
    d->FFontFooter = v;
}

QFont TQXBinHex::FontGutter() const {
    return d->FFontGutter;
}

void TQXBinHex::setFontGutter(const QFont& v) {
    d->FFontGutter = v;
}

TQXBinHex::TQXBinHexMode TQXBinHex::Mode() const {
    return d->FMode;
}

void TQXBinHex::setMode(TQXBinHex::TQXBinHexMode v) {
    d->SetMode(v);
}

int TQXBinHex::TextEncoding() const {
    return d->FTextEncoding;
}

void TQXBinHex::setTextEncoding(int v) {
    d->SetTextEncoding(v);
}

int TQXBinHex::TextWidth() const {
    return d->FTextWidth;
}

void TQXBinHex::setTextWidth(int v) {
    d->FTextWidth = binhex::ClampTextWidth(v);
}

int TQXBinHex::TextWidthHex() const {
    return d->FTextWidthHex;
}

void TQXBinHex::setTextWidthHex(int v) {
    d->FTextWidthHex = binhex::ClampHexWidth(v);
}

int TQXBinHex::TextWidthUHex() const {
    return d->FTextWidthUHex;
}

void TQXBinHex::setTextWidthUHex(int v) {
    d->FTextWidthUHex = binhex::ClampHexWidth(v);
}

bool TQXBinHex::TextWidthFit() const {
    return d->FTextWidthFit;
}

void TQXBinHex::setTextWidthFit(bool v) {
    d->FTextWidthFit = v;
}

bool TQXBinHex::TextWidthFitHex() const {
    return d->FTextWidthFitHex;
}

void TQXBinHex::setTextWidthFitHex(bool v) {
    TQXBinHexPrivate::SetCellFit(d->FTextWidthFitHex, v, d->FTextWidthHex, DefaultTextWidthHex);
}

bool TQXBinHex::TextWidthFitUHex() const {
    return d->FTextWidthFitUHex;
}

void TQXBinHex::setTextWidthFitUHex(bool v) {
    TQXBinHexPrivate::SetCellFit(d->FTextWidthFitUHex, v, d->FTextWidthUHex, DefaultTextWidthUHex);
}

bool TQXBinHex::TextWrap() const {
    return d->FTextWrap;
}

void TQXBinHex::setTextWrap(bool v) {
    d->SetTextWrap(v);
}

bool TQXBinHex::TextNonPrintable() const {
    return d->FTextNonPrintable;
}

void TQXBinHex::setTextNonPrintable(bool v) {
    d->SetOption(d->FTextNonPrintable, v);
}

bool TQXBinHex::TextOemSpecial() const {
    return d->FTextOemSpecial;
}

void TQXBinHex::setTextOemSpecial(bool v) {
    d->SetOption(d->FTextOemSpecial, v);
}

bool TQXBinHex::TextUrlHilight() const {
    return d->FTextUrlHilight;
}

void TQXBinHex::setTextUrlHilight(bool v) {
    d->SetTextUrlHilight(v);
}

bool TQXBinHex::TextGutter() const {
    return d->FTextGutter;
}

void TQXBinHex::setTextGutter(bool v) {
    d->FTextGutter = v;
}

bool TQXBinHex::TextGutterLines() const {
    return d->FTextGutterLines;
}

void TQXBinHex::setTextGutterLines(bool v) {
    d->FTextGutterLines = v;
}

int TQXBinHex::TextGutterLinesStep() const {
    return d->FTextGutterLinesStep;
}

void TQXBinHex::setTextGutterLinesStep(int v) {
    d->FTextGutterLinesStep = binhex::ClampInt(v, 1, 10);
}

int TQXBinHex::TextGutterLinesCount() const {
    return d->FTextGutterLinesCount;
}

void TQXBinHex::setTextGutterLinesCount(int v) {
    d->FTextGutterLinesCount = binhex::ClampInt(v, 10, 100000);
}

int TQXBinHex::TextGutterLinesBufSize() const {
    return d->FTextGutterLinesBufSize;
}

void TQXBinHex::setTextGutterLinesBufSize(int v) {
    d->FTextGutterLinesBufSize = binhex::ClampInt(v, 1024, 20971520);
}

bool TQXBinHex::TextGutterLinesExtUse() const {
    return d->FTextGutterLinesExtUse;
}

void TQXBinHex::setTextGutterLinesExtUse(bool v) {
    d->FTextGutterLinesExtUse = v;
}

QString TQXBinHex::TextGutterLinesExtList() const {
    return d->FTextGutterLinesExtList;
}

void TQXBinHex::setTextGutterLinesExtList(const QString& v) {
    d->FTextGutterLinesExtList = v;
}

uint TQXBinHex::TextColorHex() const {
    return d->FTextColorHex;
}

void TQXBinHex::setTextColorHex(uint v) {
    d->FTextColorHex = v;
}

uint TQXBinHex::TextColorHex2() const {
    return d->FTextColorHex2;
}

void TQXBinHex::setTextColorHex2(uint v) {
    d->FTextColorHex2 = v;
}

uint TQXBinHex::TextColorHexBack() const {
    return d->FTextColorHexBack;
}

void TQXBinHex::setTextColorHexBack(uint v) {
    d->FTextColorHexBack = v;
}

uint TQXBinHex::TextColorLines() const {
    return d->FTextColorLines;
}

void TQXBinHex::setTextColorLines(uint v) {
    d->FTextColorLines = v;
}

uint TQXBinHex::TextColorError() const {
    return d->FTextColorError;
}

void TQXBinHex::setTextColorError(uint v) {
    d->FTextColorError = v;
}

uint TQXBinHex::TextColorGutter() const {
    return d->FTextColorGutter;
}

void TQXBinHex::setTextColorGutter(uint v) {
    d->FTextColorGutter = v;
}

uint TQXBinHex::TextColorURL() const {
    return d->FTextColorURL;
}

void TQXBinHex::setTextColorURL(uint v) {
    d->FTextColorURL = v;
}

uint TQXBinHex::TextColorHi() const {
    return d->FTextColorHi;
}

void TQXBinHex::setTextColorHi(uint v) {
    d->FTextColorHi = v;
}

int TQXBinHex::TextSearchIndentVert() const {
    return d->FTextSearchIndentVert;
}

void TQXBinHex::setTextSearchIndentVert(int v) {
    d->FTextSearchIndentVert = binhex::ClampInt(v, 0, 80);
}

int TQXBinHex::TextSearchIndentHorz() const {
    return d->FTextSearchIndentHorz;
}

void TQXBinHex::setTextSearchIndentHorz(int v) {
    d->FTextSearchIndentHorz = binhex::ClampInt(v, 0, 80);
}

int TQXBinHex::TextTabSize() const {
    return d->FTextTabSize;
}

void TQXBinHex::setTextTabSize(int v) {
    d->FTextTabSize = binhex::ClampInt(v, 2, 16);
}

TQXBinHex::TQXPopupCommands TQXBinHex::TextPopupCommands() const {
    return d->FTextPopupCommands;
}

void TQXBinHex::setTextPopupCommands(TQXBinHex::TQXPopupCommands v) {
    d->FTextPopupCommands = v;
}

bool TQXBinHex::AutoReload() const {
    return d->FAutoReload;
}

void TQXBinHex::setAutoReload(bool v) {
    d->SetAutoReload(v);
}

bool TQXBinHex::AutoReloadBeep() const {
    return d->FAutoReloadBeep;
}

void TQXBinHex::setAutoReloadBeep(bool v) {
    d->FAutoReloadBeep = v;
}

bool TQXBinHex::AutoReloadFollowTail() const {
    return d->FAutoReloadFollowTail;
}

void TQXBinHex::setAutoReloadFollowTail(bool v) {
    d->FAutoReloadFollowTail = v;
}

bool TQXBinHex::AutoReloadSimple() const {
    return d->FAutoReloadSimple;
}

void TQXBinHex::setAutoReloadSimple(bool v) {
    d->FAutoReloadSimple = v;
}

int TQXBinHex::AutoReloadSimpleTime() const {
    return d->FAutoReloadSimpleTime;
}

void TQXBinHex::setAutoReloadSimpleTime(int v) {
    d->FAutoReloadSimpleTime = v;
}

uint TQXBinHex::Color() const {
    return d->FColor;
}

void TQXBinHex::setColor(uint v) {
    d->FColor = v;
    d->Redraw();
}

uint TQXBinHex::FontColor() const {
    return d->FFontColor;
}

void TQXBinHex::setFontColor(uint v) {
    d->FFontColor = v;
    d->Redraw();
}

uint TQXBinHex::FontOEMColor() const {
    return d->FFontOEMColor;
}

void TQXBinHex::setFontOEMColor(uint v) {
    d->FFontOEMColor = v;
}

uint TQXBinHex::FontGutterColor() const {
    return d->FFontGutterColor;
}

void TQXBinHex::setFontGutterColor(uint v) {
    d->FFontGutterColor = v;
}

uint TQXBinHex::FontFooterColor() const {
    return d->FFontFooterColor;
}

void TQXBinHex::setFontFooterColor(uint v) {
    d->FFontFooterColor = v;
}

TOffset TQXBinHex::AddressBase() const {
    return d->AddressBase;
}

void TQXBinHex::setAddressBase(TOffset v) {
    v = std::max<TOffset>(v, 0);
    if (v == d->AddressBase)
        return;
    d->AddressBase = v;
    d->HexOffsetLen = binhex::HexOffsetDigits(d->FileSize, d->CharSize(), v);
    if (d->SourceAssigned())
        d->Redraw();
}
