// main.h — TForm1, the main window: the source and result viewers, the mirroring settings and the
// commands Open, Save, About, "Инвертировать адреса" and "Инвертировать данные".
#pragma once

#include "FileDialogs.h"
#include "WorkingImage.h"

#include <QMainWindow>
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
    explicit TForm1(QWidget* parent = nullptr);
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

    std::unique_ptr<Ui::TForm1> ui;
    // Panel 0 of the status line; its tool tip holds the whole path that the panel may elide.
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    TFileDialog OpenDialog1;
    TFileDialog SaveDialog1;
    TResultView Result;
};

extern TForm1* Form1;
