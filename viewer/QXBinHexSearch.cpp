// QXBinHexSearch.cpp — searching the viewer's source and painting the remembered search's matches.
#include "QXBinHex_p.h"

#include "QXViewerMsg.h"

#include <QBuffer>

namespace {

// Bytes scanned before the top of the page and beyond a page of the longest lines.
constexpr int HighlightMarginBefore = 30;
constexpr int HighlightMarginAfter = 60;

} // namespace

void TQXBinHexPrivate::FindHighlights() {
    SearchHighlights.clear();
    const TQXStreamSearch& search = *FSearch;
    if (search.SavedText().isEmpty() || !search.SavedOptions().testFlag(soHighlightAll) ||
        !Buffer.Allocated())
        return;
    const TOffset windowStart = std::max<TOffset>(ViewPos - Buffer.Pos - HighlightMarginBefore, 0);
    const TOffset windowSize = std::min<TOffset>(
        static_cast<TOffset>(LinesNum()) * MaxLength * CharSize() + HighlightMarginAfter,
        Buffer.Size() - windowStart);
    if (windowSize <= 0)
        return;
    QByteArray window = Buffer.View(Buffer.Pos + windowStart, windowSize).toByteArray();
    QBuffer stream(&window);
    stream.open(QIODevice::ReadOnly);
    PageSearch->SetStream(&stream);
    TQXSearchOptions options = search.SavedOptions();
    options.setFlag(soBackward, false);
    bool found = PageSearch->FindFirst(search.SavedText(), search.SavedEncoding(), options, 0);
    while (found && static_cast<int>(SearchHighlights.size()) < MaxSearchHighlights) {
        SearchHighlights.push_back({PageSearch->FoundStart() + Buffer.Pos + windowStart,
                                    PageSearch->FoundLength() / CharSize()});
        found = PageSearch->FindNext(false);
    }
    PageSearch->SetStream(nullptr);
}

void TQXBinHexPrivate::AttachSearchSource() {
    if (FileSourceType == vfSrcFile && FSearch->FileName() != FileName)
        FSearch->SetFileName(FileName);
    else if (FileSourceType == vfSrcStream)
        FSearch->SetStream(Stream);
}

bool TQXBinHexPrivate::SelectFound(bool found) {
    if (found)
        SetSelection(FSearch->FoundStart(), FSearch->FoundLength(), /*scroll=*/true,
                     /*fireEvent=*/true,
                     /*redraw=*/true);
    else
        Redraw();
    return found;
}

bool TQXBinHexPrivate::FindText(const QString& text, TQXEncoding encoding,
                                TQXSearchOptions options) {
    if (!SourceAssigned() || text.isEmpty())
        return false;
    const bool backward = options.testFlag(soBackward);
    TOffset start = ViewPos;
    if (MarkLength > 0)
        start = backward ? std::max<TOffset>(MarkStart - CharSize(), 0) : MarkStart + MarkLength;
    try {
        AttachSearchSource();
        // The top of a hex page may be the second byte of a double-byte character.
        start = FSearch->CharStartAtOrBefore(start, encoding);
        return SelectFound(FSearch->FindFirst(text, encoding, options, start));
    } catch (const std::exception& e) {
        ViewerMsgError(QString::fromUtf8(e.what()));
        return false;
    }
}

bool TQXBinHexPrivate::FindTextNext(bool previous) {
    if (!SourceAssigned() || FSearch->SavedText().isEmpty())
        return false;
    try {
        // A stream source given anew would forget the remembered search, so only a missing file is
        // attached again here.
        if (FileSourceType == vfSrcFile && FSearch->FileName() != FileName)
            FSearch->SetFileName(FileName);
        return SelectFound(FSearch->FindNext(previous));
    } catch (const std::exception& e) {
        ViewerMsgError(QString::fromUtf8(e.what()));
        return false;
    }
}
