// QXBinHexPlugin.h — the Qt Designer plugin that puts TQXBinHex into the widget box.
#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class TQXBinHexPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TQXBinHexPlugin(QObject* parent = nullptr);

    // The class name, widget-box group, texts and header that uic writes into generated code.
    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;

    // An empty control; the property editor lists its Q_PROPERTY set.
    QWidget* createWidget(QWidget* parent) override;

    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;

    // What a drop from the widget box puts on the form: a hex-mode control of 400 × 200 pixels.
    QString domXml() const override;

private:
    bool initialized_ = false;
};
