// QXBinHexPluginTest.cpp — the Designer plugin as Designer and QUiLoader see it: its description,
// the control it creates and a form that uses it. Links the shared library, as the plugin does.
#include "QXBinHex.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QPluginLoader>
#include <QTemporaryFile>
#include <QUiLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString PluginPath() {
    return QDir(QStringLiteral(QXBINHEX_PLUGIN_DIR))
        .filePath(QStringLiteral("libqxbinhexplugin.so"));
}

QDesignerCustomWidgetInterface* LoadPlugin() {
    static QPluginLoader loader(PluginPath());
    return qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
}

} // namespace

TEST(QXBinHexPlugin, DescribesTheControlForTheWidgetBox) {
    QDesignerCustomWidgetInterface* plugin = LoadPlugin();
    ASSERT_NE(plugin, nullptr) << qPrintable(PluginPath());
    EXPECT_EQ(plugin->name(), QStringLiteral("TQXBinHex"));
    EXPECT_EQ(plugin->includeFile(), QStringLiteral("QXBinHex.h"));
    EXPECT_FALSE(plugin->isContainer());
    EXPECT_FALSE(plugin->icon().isNull());
    EXPECT_TRUE(plugin->domXml().contains(QStringLiteral("<widget class=\"TQXBinHex\"")));
}

TEST(QXBinHexPlugin, CreatesTheControlOfTheSharedLibrary) {
    QDesignerCustomWidgetInterface* plugin = LoadPlugin();
    ASSERT_NE(plugin, nullptr);
    std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
    auto* viewer = qobject_cast<TQXBinHex*>(widget.get());
    ASSERT_NE(viewer, nullptr);
    // The property editor lists what the meta-object offers.
    const QMetaObject* meta = viewer->metaObject();
    for (const char* name :
         {"Mode", "TextWidthHex", "TextEncoding", "AutoReload", "Color", "AddressBase"})
        EXPECT_GE(meta->indexOfProperty(name), 0) << name;
    // The signal/slot editor lists its signals.
    for (const char* signature :
         {"fileReloaded()", "selectionChanged()", "optionsChanged()", "scrolled()",
          "aboutToDrawLine(QPainter*,QString,QString,QRect,QPoint,bool*)",
          "lineDrawn(QPainter*,QString,QPoint,TQXBinHexOutputOptions)", "urlClicked(QByteArray)",
          "searchProgress(qint64,qint64,bool*)", "marksChanged()"}) {
        const int index = meta->indexOfSignal(signature);
        ASSERT_GE(index, 0) << signature;
        EXPECT_EQ(meta->method(index).methodType(), QMetaMethod::Signal) << signature;
    }
}

TEST(QXBinHexPlugin, UiLoaderBuildsAFormWithTheControlAndItsProperties) {
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QStringLiteral(QXBINHEX_PLUGIN_DIR));
    EXPECT_TRUE(loader.availableWidgets().contains(QStringLiteral("TQXBinHex")));

    QFile form(QStringLiteral(HEXFORM_UI));
    ASSERT_TRUE(form.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> root(loader.load(&form));
    ASSERT_NE(root, nullptr) << qPrintable(loader.errorString());
    auto* viewer = root->findChild<TQXBinHex*>(QStringLiteral("binHex"));
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Mode(), TQXBinHex::vbmodeUHex);
    EXPECT_EQ(viewer->TextWidthUHex(), 4);
    EXPECT_TRUE(viewer->TextGutter());

    // The control made from the form pages a file like any other.
    QTemporaryFile data;
    ASSERT_TRUE(data.open());
    data.write(QByteArray(1000, '\x5a'));
    data.flush();
    ASSERT_TRUE(viewer->Open(data.fileName(), /*redraw=*/true));
    EXPECT_EQ(viewer->FileSize(), 1000);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
