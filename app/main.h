// main.h — TForm1, the main window: the source and result viewers, the mirroring settings and the
// commands Open, Compare, Save, About, "Инвертировать адреса" and "Инвертировать данные".
#pragma once

#include "FileDialogs.h"
#include "ImageComparison.h"
#include "WorkingImage.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class QFontMetrics;
class QLabel;
class TQXBinHex;
namespace Ui {
class TForm1;
}

// The status line's text for the current file: "Текущий файл: " and the path, the path elided in
// its middle ("/home/…/v2/rom.bin") so that the whole text fits width pixels in the font of metrics
// and the file name at its end stays in sight. A path that fits is kept whole.
QString CurrentFileCaption(const QString& path, const QFontMetrics& metrics, int width);

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // The window with all its contents.
    explicit TForm1(QWidget* parent = nullptr);
    // The window alone: its title, size and place, so that it can be shown before anything in it
    // measures text (which loads the font database). The contents are built when the window is
    // first exposed on the screen, before its first frame is drawn, so that the first frame is the
    // finished window; prepare runs just before.
    enum TContentsOnFirstExpose { ContentsOnFirstExpose };
    TForm1(TContentsOnFirstExpose, std::function<void()> prepare);
    ~TForm1() override;

    // Command handlers; a file error escapes as EInOutError, broken records as EFormatError (the
    // connected menu items and buttons show it through the default error display).
    void Open1Click();
    // "Сравнить с...": asks for a second file, shows it in the result viewer and marks the
    // differences (CompareWith).
    void Compare1Click();
    // The operations end a comparison first.
    void Button1Click();
    void Button2Click();
    // Saves the image the result viewer shows while comparing, the working image otherwise.
    void N1Click();
    void About1Click();

    // What Open1Click does with the chosen name: reads it into the working image, shows it in the
    // source viewer (a raw file from disk, records from memory at their addresses), names it in the
    // status line, enables the operations and ends a comparison.
    void OpenSourceFile(const QString& name);
    // Reads the source file again and the second file (any kind LoadImageFile reads), shows the
    // second in the result viewer, marks the differing ranges in both viewers, reports them in
    // panel 0 and makes the viewers scroll together until EndComparison.
    void CompareWith(const QString& name);
    // Clears the marks, lets the viewers scroll apart and names the source file in panel 0 again;
    // nothing when not comparing.
    void EndComparison();
    bool Comparing() const { return Comparison.Active; }
    // Brings the next (previous) difference after (before) the last one gone to onto both viewers;
    // F8 and Shift+F8 while comparing.
    void GoToDifference(TSearchDirection direction);
    // OpenSourceFile with errors shown: at once when the contents are built, otherwise from the
    // event loop right after they are, so that the first frame is not held up by reading a file.
    void OpenWhenBuilt(const QString& name);

    // The data size: the combo box's item index, -1 when its text is not one of the items.
    int DataSizeIndex() const;

    // Null until the contents are built.
    std::unique_ptr<Ui::TForm1> ui;
    // Panel 0 of the status line; its tool tip holds the whole path that the panel may elide.
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    TFileDialog OpenDialog1;
    TFileDialog CompareDialog1;
    TFileDialog SaveDialog1;
    TResultView Result;
    // The source viewer and its memory stream, for a record file's image.
    TResultView Source;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame: flags, fixed size, place and background.
    void SetUpFrame();
    void BuildContents();
    std::function<void()> PrepareContents;
    // A file to open once the contents are built (OpenWhenBuilt).
    QString PendingFile;

    void ShowSourceImage();
    // Panel 0 names SourceFileName; its tool tip holds the whole path.
    void ShowCurrentFile();
    // Moves follower to the address leader shows at its top when leader moved since last seen.
    void FollowScroll(TQXBinHex* leader, TQXBinHex* follower);
    // FollowScroll with the viewer whose viewport is about to paint as the leader.
    void FollowScrollOf(QObject* viewport);
    void NoteViewPositions();

    struct TComparisonState {
        bool Active = false;
        std::vector<tool::DifferenceRange> Ranges;
        // The second image, shown in the result viewer and saved by N1Click.
        std::vector<uint8_t> Bytes;
        int64_t Origin = 0;
        // The address of the difference last gone to.
        int64_t Cursor = std::numeric_limits<int64_t>::min();
        // The viewers' positions as last seen, to tell which one moved.
        int64_t SeenTop[2] = {};
        int SeenLeft[2] = {};
    } Comparison;
};

// The file named on the command line (arguments as QCoreApplication gives them, the program's
// name first), opened as File ▸ Open would once the window's contents are built
// (TForm1::OpenWhenBuilt); nothing unless exactly one argument follows the name.
void OpenCommandLineFile(TForm1& form, const QStringList& arguments);

extern TForm1* Form1;
