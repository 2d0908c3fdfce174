// QXBinHexPlugin.cpp — the widget-box entry of TQXBinHex for Qt Designer.
#include "QXBinHexPlugin.h"

#include "QXBinHex.h"

#include <QIcon>

TQXBinHexPlugin::TQXBinHexPlugin(QObject* parent) : QObject(parent) {}

QString TQXBinHexPlugin::name() const {
    return QStringLiteral("TQXBinHex");
}

QString TQXBinHexPlugin::group() const {
    return QStringLiteral("Display Widgets");
}

QString TQXBinHexPlugin::toolTip() const {
    return QStringLiteral("Hex viewer of a file or stream of any size");
}

QString TQXBinHexPlugin::whatsThis() const {
    return QStringLiteral("Pages through a file or stream as a hex dump, text, binary lines or "
                          "UTF-16 text, reading only what is shown.");
}

QString TQXBinHexPlugin::includeFile() const {
    return QStringLiteral("QXBinHex.h");
}

QIcon TQXBinHexPlugin::icon() const {
    return QIcon(QStringLiteral(":/qxbinhex/designer/vornex.png"));
}

bool TQXBinHexPlugin::isContainer() const {
    return false;
}

QWidget* TQXBinHexPlugin::createWidget(QWidget* parent) {
    return new TQXBinHex(parent);
}

bool TQXBinHexPlugin::isInitialized() const {
    return initialized_;
}

void TQXBinHexPlugin::initialize(QDesignerFormEditorInterface*) {
    initialized_ = true;
}

QString TQXBinHexPlugin::domXml() const {
    return QStringLiteral(R"(<ui language="c++" displayname="TQXBinHex">
 <widget class="TQXBinHex" name="binHex">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>400</width><height>200</height></rect>
  </property>
  <property name="Mode"><enum>TQXBinHex::vbmodeHex</enum></property>
 </widget>
 <customwidgets>
  <customwidget>
   <class>TQXBinHex</class>
   <extends>QAbstractScrollArea</extends>
   <header>QXBinHex.h</header>
  </customwidget>
 </customwidgets>
</ui>
)");
}
