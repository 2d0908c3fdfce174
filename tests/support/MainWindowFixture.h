// MainWindowFixture.h — a fresh main window over an empty working image, its file dialogs answered
// from a queue, for the window's tests.
#pragma once

#include "TestSupport.h"
#include "main.h"
#include "ui_main.h"

#include <QBuffer>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace test {

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(ImageBuffer, 0, sizeof ImageBuffer);
        ImageSize = 0;
        ImageOrigin = 0;
        ImageFromRecords = false;
        SourceFileName.clear();
        TFileDialog::SetHandler([this](TFileDialog::TKind kind) -> std::optional<QString> {
            kinds.push_back(kind);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected file dialog";
                return std::nullopt;
            }
            auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
        form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        form.reset();
        TFileDialog::SetHandler(nullptr);
    }

    // A menu item run with the file dialog it shows answered with path.
    void Trigger(QAction* item, const QString& path) {
        answers.push_back(path);
        item->trigger();
    }
    void OpenFile(const QString& path) { Trigger(form->ui->Open1, path); }
    void CompareWith(const QString& path) { Trigger(form->ui->Compare1, path); }
    void SaveAs(const QString& path) { Trigger(form->ui->N1, path); }

    // The bytes of the memory stream a viewer shows; empty for a file or no source.
    static QByteArray StreamBytes(const TQXBinHex* viewer) {
        auto* stream = qobject_cast<QBuffer*>(viewer->Stream());
        return stream ? stream->data() : QByteArray();
    }

    ScratchDir dir;
    std::deque<std::optional<QString>> answers;
    // The kinds of the file dialogs shown, in order.
    std::vector<TFileDialog::TKind> kinds;
    std::unique_ptr<TForm1> form;
};

} // namespace test
