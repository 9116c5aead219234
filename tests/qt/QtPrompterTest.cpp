#include "qt/app/QtPrompter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace romshelf;
using namespace Qt::StringLiterals;

namespace {

// Calls `act` with the next message box once it is shown, from inside the box's own event loop.
// Gives up after a few seconds, so that a box that never opens fails the test instead of hanging.
void onNextBox(std::function<void(QMessageBox&)> act) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if ((!box || !box->isVisible()) && !deadline.hasExpired()) return;
        timer->stop();
        timer->deleteLater();
        if (box) act(*box);
    });
    timer->start(10);
}

// Sorted, as UTF-8 so that a failure reads well.
std::vector<std::string> buttonTexts(const QMessageBox& box) {
    std::vector<std::string> texts;
    for (const QAbstractButton* button : box.buttons())
        texts.push_back(button->text().toStdString());
    std::ranges::sort(texts);
    return texts;
}

}  // namespace

// The program's boxes are Japanese whatever translation Qt has: "OK", "はい", "いいえ".
TEST(QtPrompter, BoxesSpeakJapanese) {
    const struct {
        const char* what;
        bool question;
        std::vector<std::string> buttons;  // sorted
        const char* press;                 // nullptr: Escape
        bool answer;
    } cases[] = {
        {"a message, OK", false, {"OK"}, "OK", true},
        {"a question, yes", true, {"いいえ", "はい"}, "はい", true},
        {"a question, no", true, {"いいえ", "はい"}, "いいえ", false},
        {"a question, Escape", true, {"いいえ", "はい"}, nullptr, false},
    };
    QtPrompter prompter;
    for (const auto& c : cases) {
        bool shown = false;
        onNextBox([&](QMessageBox& box) {
            shown = true;
            EXPECT_EQ(box.windowTitle().toStdString(), "警告") << c.what;
            EXPECT_EQ(box.text().toStdString(), "消しますか?\n元に戻せません。") << c.what;
            EXPECT_EQ(buttonTexts(box), c.buttons) << c.what;
            if (c.question) {
                EXPECT_EQ(box.defaultButton() ? box.defaultButton()->text() : QString(), u"はい"_s)
                    << c.what;
            }
            if (!c.press) return QTest::keyClick(&box, Qt::Key_Escape);
            for (QAbstractButton* button : box.buttons())
                if (button->text().toStdString() == c.press) return button->click();
            ADD_FAILURE() << c.what << ": no button " << c.press;
            box.done(QMessageBox::No);
        });
        EXPECT_EQ(prompter.messageBox("消しますか?\n元に戻せません。", "警告", c.question),
                  c.answer)
            << c.what;
        EXPECT_TRUE(shown) << c.what;
    }
}
