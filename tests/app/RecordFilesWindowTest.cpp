// RecordFilesWindowTest.cpp — Intel HEX and S-record files in the main window: opened at their
// base address, broken and oversized ones refused with the image kept, saved by extension.
#include "ImageFormats.h"
#include "MessageBox.h"
#include "QXBinHex.h"
#include "VornexApplication.h"
#include "support/MainWindowFixture.h"
#include "support/RandomBytes.h"
#include "support/RecordText.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int64_t Base = 0x8000;

tool::AddressedImage RandomImage(int64_t origin, int64_t n, unsigned seed) {
    tool::AddressedImage image;
    image.origin = origin;
    image.bytes = RandomBytes(n, seed);
    return image;
}

QByteArray Bytes(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray Text(const std::string& text) {
    return QByteArray::fromStdString(text);
}

// The message vornex-tool gives for the records of text, shown as the window shows errors.
QString ToolMessageFor(const QString& path, const std::string& text) {
    try {
        tool::ParseImage(text, tool::FormatFromContent(text), 0xFF);
    } catch (const tool::FormatError& e) {
        return ExceptionMessageText(path + QStringLiteral(": ") + QString::fromStdString(e.what()));
    }
    ADD_FAILURE() << "the records are not broken";
    return {};
}

class RecordFilesWindowTest : public test::MainWindowFixture {};

} // namespace

TEST_F(RecordFilesWindowTest, RecordsOpenAtTheirBaseAddressWhateverTheName) {
    const tool::AddressedImage image = RandomImage(Base, 1000, 5);
    const struct {
        const char* name;
        QString file;
        std::string text;
    } cases[] = {
        {"Intel HEX", QStringLiteral("rom.hex"), tool::WriteIntelHex(image, 0)},
        {"S-records", QStringLiteral("rom.s19"), tool::WriteSRecord(image, 0)},
        {"Intel HEX named .bin", QStringLiteral("hex.bin"), tool::WriteIntelHex(image, 32)},
        {"S-records without extension", QStringLiteral("srec"), tool::WriteSRecord(image, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.write(c.file, Text(c.text));
        OpenFile(path);
        const TQXBinHex& upper = *form->ui->QXBinHex1;
        EXPECT_EQ(upper.AddressBase(), Base);
        EXPECT_EQ(StreamBytes(&upper), Bytes(image.bytes));
        EXPECT_EQ(ImageOrigin, Base);
        EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + path);
        EXPECT_TRUE(form->ui->Button2->isEnabled());

        // The result of an operation reads at the same addresses.
        QTest::mouseClick(form->ui->Button1, Qt::LeftButton);
        EXPECT_EQ(form->ui->QXBinHex2->AddressBase(), Base);
        EXPECT_EQ(form->ui->QXBinHex2->FileSize(), 1000);
    }
    // A raw file afterwards is shown from disk at offset 0 again.
    const QString raw = dir.write("raw.bin", test::Ramp(40));
    OpenFile(raw);
    EXPECT_EQ(form->ui->QXBinHex1->FileName(), raw);
    EXPECT_EQ(form->ui->QXBinHex1->AddressBase(), 0);
}

TEST_F(RecordFilesWindowTest, BrokenRecordsAreReportedAndThePreviousImageStays) {
    const std::vector<uint8_t> data = {1, 2, 3, 4};
    std::string badChecksum = test::HexRecord(0, 0x10, data);
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"HEX checksum on line 2",
         test::JoinLines({test::HexRecord(0, 0, data), badChecksum, test::HexRecord(1, 0, {})})},
        {"HEX without an end record", test::JoinLines({test::HexRecord(0, 0, data)})},
        {"S-record bad digit on line 3",
         test::JoinLines({test::SRecord(0, 0, {}), test::SRecord(1, 0, data), "S1070010010G030488",
                          test::SRecord(9, 0, {})})},
    };
    const QString good = dir.write("good.bin", test::Ramp(24));
    OpenFile(good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.write(QStringLiteral("broken.hex"), Text(c.text));
        test::MessageBoxRecorder boxes(platform::IDOK);
        OpenFile(path);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, ToolMessageFor(path, c.text));
        EXPECT_EQ(boxes.boxes[0].flags & 0xF0, platform::MB_ICONERROR);
        EXPECT_EQ(ImageSize, 24);
        EXPECT_EQ(form->ui->QXBinHex1->FileName(), good);
        EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Текущий файл: ") + good);
    }
}

TEST_F(RecordFilesWindowTest, SpanOverTheCapacityIsRefusedAsALargeFile) {
    const struct {
        int64_t lastAddress;
        bool opens;
    } cases[] = {
        {ImageCapacity - 1, true},
        {ImageCapacity, false},
        {int64_t{64} << 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastAddress);
        const QString good = dir.write("good.bin", test::Ramp(8));
        OpenFile(good);
        // One byte at 0 and one at the last address: a few records, a large span.
        const std::string text =
            test::JoinLines({test::HexRecord(0, 0, {0xAA}),
                             test::HexRecord(4, 0,
                                             {static_cast<uint8_t>(c.lastAddress >> 24),
                                              static_cast<uint8_t>(c.lastAddress >> 16)}),
                             test::HexRecord(0, static_cast<uint16_t>(c.lastAddress), {0xBB}),
                             test::HexRecord(1, 0, {})});
        test::MessageBoxRecorder boxes(platform::IDOK);
        OpenFile(dir.write("span.hex", Text(text)));
        if (c.opens) {
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(ImageSize, c.lastAddress + 1);
        } else {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("File too large."));
            EXPECT_EQ(ImageSize, 8);
            EXPECT_EQ(form->ui->QXBinHex1->FileName(), good);
        }
    }
}

TEST_F(RecordFilesWindowTest, SaveWritesTheFormatOfTheExtensionAtTheBaseAddress) {
    const tool::AddressedImage image = RandomImage(Base, 300, 9);
    OpenFile(dir.write("rom.hex", Text(tool::WriteIntelHex(image, 0))));
    QTest::mouseClick(form->ui->Button2, Qt::LeftButton);
    std::vector<uint8_t> inverted = image.bytes;
    for (uint8_t& b : inverted)
        b = static_cast<uint8_t>(~b);

    const struct {
        const char* file;
        bool records;
    } cases[] = {
        {"out.hex", true},  {"out.s19", true},  {"out.S28", true},
        {"out.srec", true}, {"out.bin", false}, {"out", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.path(QString::fromLatin1(c.file));
        SaveAs(path);
        const TFileImage saved = LoadImageFile(dir.native(QString::fromLatin1(c.file)));
        EXPECT_EQ(saved.FromRecords, c.records);
        EXPECT_EQ(saved.Origin, c.records ? Base : 0);
        EXPECT_EQ(saved.Bytes, inverted);
    }
}

TEST_F(RecordFilesWindowTest, AnImageTheRecordsCannotAddressIsRefusedOnSave) {
    OpenFile(dir.write("high.hex", Text(tool::WriteIntelHex(RandomImage(0x20000, 16, 2), 0))));
    test::MessageBoxRecorder boxes(platform::IDOK);
    SaveAs(dir.path("out.s19"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(dir.path("out.s19") + QStringLiteral(": ")))
        << boxes.boxes[0].text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.path("out.s19")));
}
