// main.h — TForm1, the main window: the source and result viewers, the mirroring settings and the
// commands Open, Save, About, "Инвертировать адреса" and "Инвертировать данные".
#pragma once

#include "FileDialogs.h"
#include "WorkingImage.h"

#include <QMainWindow>
#include <memory>

class QLabel;
namespace Ui {
class TForm1;
}

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
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    TFileDialog OpenDialog1;
    TFileDialog SaveDialog1;
    TResultView Result;
};

extern TForm1* Form1;
