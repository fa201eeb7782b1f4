#include "scheduling/UlohaControls.h"

#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/MakeControl.h"
#include "platform/rtl/DateTime.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

namespace kvz {
namespace {

// One click into the hours, the minutes or the seconds of a time, and the digits typed next
// replace that part.
TEST(TimePicker, AClickIntoAPartTakesTheDigitsTypedNext) {
    testing::EnsureApplication();
    TForm form(nullptr);
    form.SetClientSize(200, 60);
    auto* picker = MakeControl<TTimePicker>(&form, &form, "DateTimePicker1");
    picker->SetBounds(10, 10, 120, 24);
    form.Show();
    QApplication::processEvents();
    auto* edit = static_cast<QTimeEdit*>(picker->Widget());
    auto* line = edit->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    const struct {
        int at; // the character clicked in "08:30:00"
        const char* typed;
        const char* shown;
        TDateTime expected;
    } cases[] = {{0, "10", "10:30:00", EncodeTime(10, 30, 0, 0)},
                 {4, "45", "08:45:00", EncodeTime(8, 45, 0, 0)},
                 {7, "15", "08:30:15", EncodeTime(8, 30, 15, 0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        picker->SetTime(EncodeTime(8, 30, 0, 0));
        form.SetFocus();
        line->clearFocus();
        QApplication::processEvents();
        const QString text = line->text();
        ASSERT_EQ(text.toStdString(), "08:30:00");
        const QFontMetrics metrics(line->font());
        const int x = metrics.horizontalAdvance(text.left(c.at)) +
                      metrics.horizontalAdvance(text.at(c.at)) / 2 + line->contentsRect().left() + 2;
        QTest::mouseClick(line, Qt::LeftButton, Qt::NoModifier, QPoint(x, line->height() / 2));
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(line->text().toStdString(), c.shown);
        EXPECT_NEAR(picker->Time(), c.expected, 1e-9);
    }
}

} // namespace
} // namespace kvz
