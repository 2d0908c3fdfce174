// main.cpp — the main window and its commands.
#include "main.h"

#include "GroupBoxStyle.h"
#include "MessageBox.h"
#include "QXBinHex.h"
#include "VornexApplication.h"
#include "ui_main.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <utility>

TForm1* Form1 = nullptr;

namespace {

constexpr int ClientWidth = 854;
constexpr int ClientHeight = 682;
constexpr int MenuBarHeight = 18;
constexpr int StatusBarHeight = 19;
constexpr int StatusPanel0Width = 800;

const QString CurrentFileLabel = QStringLiteral("Текущий файл: ");
const QString WindowTitle = QStringLiteral("VORNEX v1.00 beta");

// "All files" first, so that a dialog opened with its first filter shows every file.
const QStringList ImageFileFilters = {
    QStringLiteral("Все файлы (*)"),
    QStringLiteral("Двоичные образы (*.bin *.rom *.img)"),
    QStringLiteral("Intel HEX (*.hex *.ihx *.ihex)"),
    QStringLiteral("S-записи (*.s19 *.s28 *.s37 *.srec *.mot)"),
};

// The first local file among a drag's URLs; empty when there is none.
QString DroppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return {};
}

} // namespace

QString CurrentFileCaption(const QString& path, const QFontMetrics& metrics, int width) {
    const int pathWidth = width - metrics.horizontalAdvance(CurrentFileLabel);
    return CurrentFileLabel + metrics.elidedText(path, Qt::ElideMiddle, pathWidth);
}

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), OpenDialog1(TFileDialog::OpenKind, this),
      CompareDialog1(TFileDialog::OpenKind, this), SaveDialog1(TFileDialog::SaveKind, this) {
    SetUpFrame();
    BuildContents();
}

TForm1::TForm1(TContentsOnFirstExpose, std::function<void()> prepare)
    : QMainWindow(nullptr), OpenDialog1(TFileDialog::OpenKind, this),
      CompareDialog1(TFileDialog::OpenKind, this), SaveDialog1(TFileDialog::SaveKind, this),
      PrepareContents(std::move(prepare)) {
    SetUpFrame();
    // The title the layout gives, set ahead: window managers and desktops name the window by it
    // from the moment it is mapped.
    setWindowTitle(WindowTitle);
    // The platform window exists from here on, so its expose events can be watched.
    winId();
    windowHandle()->installEventFilter(this);
}

TForm1::~TForm1() = default;

void TForm1::SetUpFrame() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setBackgroundRole(QPalette::Button);
    // Fixed by the layout, not measured: measuring the menu bar would load the font database
    // before the window could be shown.
    setFixedSize(ClientWidth, MenuBarHeight + ClientHeight);
    move(191, 145);
}

void TForm1::BuildContents() {
    if (PrepareContents)
        std::exchange(PrepareContents, nullptr)();
    ui = std::make_unique<Ui::TForm1>();
    ui->setupUi(this);
    ui->MainMenu1->setFixedHeight(MenuBarHeight);

    // The window owns the style, so it outlives the boxes that use it.
    auto* groupBoxStyle = new TGroupBoxStyle;
    groupBoxStyle->setParent(this);
    for (QGroupBox* box : findChildren<QGroupBox*>())
        box->setStyle(groupBoxStyle);

    // Panels are labels written directly: showMessage would hide them. The second panel takes what
    // is left, so fixed widths never force the window wider.
    StatusPanel0 = new QLabel(ui->StatusBar1);
    StatusPanel0->setFixedWidth(StatusPanel0Width);
    StatusPanel1 = new QLabel(ui->StatusBar1);
    StatusPanel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui->StatusBar1->addWidget(StatusPanel0);
    ui->StatusBar1->addWidget(StatusPanel1, 1);
    ui->StatusBar1->setFixedHeight(StatusBarHeight);

    Result.Viewer = ui->QXBinHex2;
    Source.Viewer = ui->QXBinHex1;
    for (TFileDialog* dialog : {&OpenDialog1, &CompareDialog1, &SaveDialog1})
        dialog->Filters = ImageFileFilters;
    setAcceptDrops(true);
    // Every move of a page ends in a paint of its viewport, whatever moved it (keys, wheel, bars,
    // a selecting drag), so that is where the other viewer follows while comparing.
    ui->QXBinHex1->viewport()->installEventFilter(this);
    ui->QXBinHex2->viewport()->installEventFilter(this);

    connect(ui->Open1, &QAction::triggered, this, [this] { RunCommand([this] { Open1Click(); }); });
    connect(ui->Compare1, &QAction::triggered, this,
            [this] { RunCommand([this] { Compare1Click(); }); });
    connect(ui->N1, &QAction::triggered, this, [this] { RunCommand([this] { N1Click(); }); });
    connect(ui->About1, &QAction::triggered, this,
            [this] { RunCommand([this] { About1Click(); }); });
    connect(ui->Button1, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button1Click(); }); });
    connect(ui->Button2, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Button2Click(); }); });

    if (isVisible()) {
        // Children added to a shown window would be shown and laid out from the event loop, after
        // the frame about to be drawn: both happen now instead.
        for (QWidget* part : {centralWidget(), static_cast<QWidget*>(ui->MainMenu1),
                              static_cast<QWidget*>(ui->StatusBar1)})
            part->show();
        layout()->activate();
    }
    if (!PendingFile.isEmpty())
        QTimer::singleShot(0, this, [this] { OpenWhenBuilt(std::exchange(PendingFile, {})); });
}

void TForm1::OpenWhenBuilt(const QString& name) {
    if (ui)
        RunCommand([this, &name] { OpenSourceFile(name); });
    else
        PendingFile = name;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (!ui && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        BuildContents();
    }
    if (event->type() == QEvent::Paint && Comparison.Active)
        FollowScrollOf(watched);
    return QMainWindow::eventFilter(watched, event);
}

int TForm1::DataSizeIndex() const {
    return ui->ComboBox1->findText(ui->ComboBox1->currentText(), Qt::MatchExactly);
}

void TForm1::Open1Click() {
    if (!OpenDialog1.Execute())
        return;
    OpenSourceFile(OpenDialog1.FileName);
}

void TForm1::OpenSourceFile(const QString& name) {
    SourceFileName = QFile::encodeName(name).toStdString();
    ReadImageFile();
    EndComparison();
    ShowSourceImage();
    ShowCurrentFile();
    ui->Button1->setEnabled(true);
    ui->Button2->setEnabled(true);
}

void TForm1::ShowCurrentFile() {
    const QString name = QFile::decodeName(QByteArray::fromStdString(SourceFileName));
    // The panel's width is fixed, so the text is elided once, here.
    StatusPanel0->setText(CurrentFileCaption(name, StatusPanel0->fontMetrics(),
                                             StatusPanel0->contentsRect().width()));
    StatusPanel0->setToolTip(name);
}

void TForm1::ShowSourceImage() {
    if (ImageFromRecords) {
        ShowImageBytes(Source, ImageBuffer, ImageSize, ImageOrigin);
        return;
    }
    // A record file's stream goes only once the viewer has let go of it.
    if (Source.ResultStream) {
        ui->QXBinHex1->OpenStream(nullptr, /*redraw=*/false);
        Source.ResultStream.reset();
    }
    const QString name = QFile::decodeName(QByteArray::fromStdString(SourceFileName));
    // The working image was just read again, so the viewer shows the file as it is now, too.
    if (ui->QXBinHex1->FileName() == name && ui->QXBinHex1->SourceAssigned())
        ui->QXBinHex1->Open(QString(), /*redraw=*/false);
    ui->QXBinHex1->setAddressBase(0);
    ui->QXBinHex1->Open(name, /*redraw=*/true);
}

void TForm1::Button1Click() {
    EndComparison();
    MirrorAddresses(DataSizeIndex(), ui->RadioButton1->isChecked(), Result);
}

void TForm1::Button2Click() {
    EndComparison();
    InvertData(Result);
}

void TForm1::N1Click() {
    if (!SaveDialog1.Execute())
        return;
    const std::string path = QFile::encodeName(SaveDialog1.FileName).toStdString();
    if (Comparison.Active)
        SaveImageBytes(path, Comparison.Bytes.data(), static_cast<int64_t>(Comparison.Bytes.size()),
                       Comparison.Origin);
    else
        SaveImageFile(path);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F8 && Comparison.Active &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        GoToDifference(modifiers == Qt::ShiftModifier ? TSearchDirection::Backward
                                                      : TSearchDirection::Forward);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString name = DroppedFile(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    RunCommand([this, &name] { OpenSourceFile(name); });
}

void OpenCommandLineFile(TForm1& form, const QStringList& arguments) {
    if (arguments.size() == 2)
        form.OpenWhenBuilt(arguments[1]);
}

void TForm1::About1Click() {
    platform::MessageBoxW(
        QStringLiteral("VORNEX v1.00 beta.\nЗеркалирование адресов и инверсия данных "
                       "образов ПЗУ для инженеров встроенного ПО."),
        ApplicationTitle(), platform::MB_OK | platform::MB_TASKMODAL);
}
