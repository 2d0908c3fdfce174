// ImageOracle.h — files written by vornex-tool checked against srec_cat's: raw files byte for
// byte, HEX and S-record files by the bytes at their addresses, whatever their record layout.
#pragma once

#include "ImageFormats.h"
#include "TestSupport.h"
#include "support/ToolRun.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace test {

// srec_cat's and srec_cmp's name of the format a file's extension implies.
inline QString SrecFormat(const QString& path) {
    switch (tool::FormatFromPath(path.toStdString()).format) {
    case tool::FileFormat::IntelHex:
        return QStringLiteral("-intel");
    case tool::FileFormat::SRecord:
        return QStringLiteral("-motorola");
    case tool::FileFormat::Binary:
        break;
    }
    return QStringLiteral("-binary");
}

// srec_cat run with its arguments; the test fails when it does.
inline void SrecCat(const QStringList& args) {
    Oracle(QStringLiteral("srec_cat"), args);
}

// data as a record file written by srec_cat, in the format of name's extension: offset i of data
// at address origin + i, except the offsets [from, to) of each gap, which no record gives.
inline QString WriteRecords(const ScratchDir& dir, const QString& name, const QByteArray& data,
                            qint64 origin, const std::vector<std::pair<qint64, qint64>>& gaps) {
    QStringList args = {dir.write(name + ".data", data), "-binary"};
    for (const auto& [from, to] : gaps)
        args << "-exclude" << QString::number(from) << QString::number(to);
    args << "-offset" << QString::number(origin) << "-o" << dir.path(name) << SrecFormat(name);
    SrecCat(args);
    return dir.path(name);
}

// Expects ours to hold what theirs holds: the same bytes for raw files, the same bytes at the same
// addresses and no others for record files (srec_cmp).
inline void ExpectSameImage(const QString& ours, const QString& theirs) {
    if (SrecFormat(ours) == "-binary" && SrecFormat(theirs) == "-binary") {
        EXPECT_EQ(ReadAll(ours), ReadAll(theirs)) << ours.toStdString();
        return;
    }
    const Outcome compared =
        Start(QStringLiteral("srec_cmp"), {ours, SrecFormat(ours), theirs, SrecFormat(theirs)});
    EXPECT_EQ(compared.status, 0) << ours.toStdString() << " and " << theirs.toStdString()
                                  << " differ:\n"
                                  << compared.err;
}

} // namespace test
