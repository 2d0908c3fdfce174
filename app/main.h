// main.h — TForm1, the main window: the source and result viewers, the mirroring settings and the
// commands Open, Save, About, "Инвертировать адреса" and "Инвертировать данные".
#pragma once

#include "FileDialogs.h"
#include "WorkingImage.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QFontMetrics;
class QLabel;
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

    // Command handlers; a file error escapes as EInOutError (the connected menu items and buttons
    // show it through the default error display).
    void Open1Click();
    void Button1Click();
    void Button2Click();
    void N1Click();
    void About1Click();

    // The data size: the combo box's item index, -1 when its text is not one of the items.
    int DataSizeIndex() const;

    // Null until the contents are built.
    std::unique_ptr<Ui::TForm1> ui;
    // Panel 0 of the status line; its tool tip holds the whole path that the panel may elide.
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    TFileDialog OpenDialog1;
    TFileDialog SaveDialog1;
    TResultView Result;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame: flags, fixed size, place and background.
    void SetUpFrame();
    void BuildContents();
    std::function<void()> PrepareContents;
};

extern TForm1* Form1;
