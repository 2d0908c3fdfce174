// OpenFromOutsideTest.cpp — files reaching the main window without its Open dialog: dropped on it
// and named on the command line.
#include "QXBinHex.h"
#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

class OpenFromOutsideTest : public test::MainWindowFixture {};

std::unique_ptr<QMimeData> UrlData(const QList<QUrl>& urls) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

} // namespace

TEST_F(OpenFromOutsideTest, DraggedLocalFilesAreAcceptedAndNothingElse) {
    const QString path = dir.write("rom.bin", test::Ramp(8));
    auto text = std::make_unique<QMimeData>();
    text->setText(path);
    const struct {
        const char* name;
        std::unique_ptr<QMimeData> mime;
        bool accepted;
    } cases[] = {
        {"local file", UrlData({QUrl::fromLocalFile(path)}), true},
        {"web address", UrlData({QUrl(QStringLiteral("https://example.org/rom.bin"))}), false},
        {"plain text", std::move(text), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, c.mime.get(), Qt::LeftButton,
                              Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);
    }
}

TEST_F(OpenFromOutsideTest, DroppedFileOpensAsFromTheMenu) {
    const QString path = dir.write("dropped.bin", test::Ramp(30));
    const auto mime = UrlData({QUrl::fromLocalFile(path)});
    // A drop follows the drag's entering the window, as the toolkit delivers them.
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, mime.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), path);
    EXPECT_EQ(ImageSize, 30);
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + path);
    EXPECT_TRUE(form->ui->Button1->isEnabled());
}

TEST_F(OpenFromOutsideTest, OneFileNamedOnTheCommandLineOpens) {
    const QString path = dir.write("started.bin", test::Ramp(12));
    const struct {
        const char* name;
        QStringList arguments;
        bool opens;
    } cases[] = {
        {"none", {QStringLiteral("vornex")}, false},
        {"two", {QStringLiteral("vornex"), path, path}, false},
        {"one", {QStringLiteral("vornex"), path}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenCommandLineFile(*form, c.arguments);
        EXPECT_EQ(form->ui->QXBinHex1->FileName(), c.opens ? path : QString());
        EXPECT_EQ(ImageSize, c.opens ? 12 : 0);
    }
}

TEST_F(OpenFromOutsideTest, FileNamedAtStartOpensOnceTheContentsAreBuilt) {
    const QString path = dir.write("started.bin", test::Ramp(12));
    form.reset();
    form = std::make_unique<TForm1>(TForm1::ContentsOnFirstExpose, [] {});
    OpenCommandLineFile(*form, {QStringLiteral("vornex"), path});
    EXPECT_EQ(ImageSize, 0) << "nothing is read before the window is on the screen";
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_TRUE(form->ui);
    QApplication::processEvents();
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), path);
    EXPECT_EQ(ImageSize, 12);
}
