// The per-address wait field of the main window, driven with keys and mouse as a user would.

#include "program.h"

#include "support/ui_helpers.h"
#include "ui/spinedit.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>

#include <chrono>
#include <climits>

using namespace std::chrono_literals;
using testsupport::WaitUntil;

namespace uitest {
namespace {

class WaitFieldTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ShowWindow();
        field = window->SpinEdit1;
        field->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return field->hasFocus(); }, 2s));
    }

    void TearDown() override
    {
        QLocale::setDefault(QLocale::system());
        ProgramTest::TearDown();
    }

    void Type(const QString& keys)
    {
        for (const QChar c : keys)
            QTest::keyClick(field, c.toLatin1());
    }

    QPoint ButtonCentre(QStyle::SubControl button) const
    {
        QStyleOptionSpinBox option;
        option.initFrom(field);
        option.subControls = QStyle::SC_All;
        option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
        option.frame = true;
        return field->style()->subControlRect(QStyle::CC_SpinBox, &option, button, field).center();
    }

    TSpinEdit* field = nullptr;
};

TEST_F(WaitFieldTest, ArrowsStepByOneWithoutBounds)
{
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->Text(), QStringLiteral("101"));
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->Text(), QStringLiteral("99"));
    EXPECT_EQ(window->Engine().State().TimeOut.load(), 99);

    QTest::mouseClick(field, Qt::LeftButton, {}, ButtonCentre(QStyle::SC_SpinBoxUp));
    EXPECT_EQ(field->Text(), QStringLiteral("100"));
    QTest::mouseClick(field, Qt::LeftButton, {}, ButtonCentre(QStyle::SC_SpinBoxDown));
    EXPECT_EQ(field->Text(), QStringLiteral("99"));

    // Neither 0 nor any other value is a bound.
    field->SetValue(0);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->Text(), QStringLiteral("-1"));
    EXPECT_EQ(window->Engine().State().TimeOut.load(), -1);
    field->SetValue(100000);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->Text(), QStringLiteral("100001"));

    // A text that is no number counts as 0 and steps from there.
    field->SetText(QStringLiteral("12x"));
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->Text(), QStringLiteral("1"));
}

TEST_F(WaitFieldTest, TakesDigitsSignsDecimalSeparatorAndControlKeysOnly)
{
    QLocale::setDefault(QLocale::c());
    field->SetText(QString());
    Type(QStringLiteral("25"));
    EXPECT_EQ(field->Text(), QStringLiteral("25"));
    EXPECT_EQ(field->Value(), 25);
    EXPECT_EQ(window->Engine().State().TimeOut.load(), 25);

    Type(QStringLiteral("aZ %"));
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(field->Text(), QStringLiteral("25"));

    Type(QStringLiteral("+-."));
    EXPECT_EQ(field->Text(), QStringLiteral("25+-."));
    EXPECT_EQ(field->Value(), 0);
    EXPECT_EQ(window->Engine().State().TimeOut.load(), 0);

    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->Text(), QStringLiteral("25"));
    EXPECT_EQ(window->Engine().State().TimeOut.load(), 25);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->Text(), QStringLiteral("5"));

    // The separator is the locale's: a comma where it is the decimal separator, and then no full stop.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    field->SetText(QString());
    Type(QStringLiteral("7,."));
    EXPECT_EQ(field->Text(), QStringLiteral("7,"));
    EXPECT_EQ(field->Value(), 0);
}

TEST_F(WaitFieldTest, ValueIsTheTextReadAsAnInteger)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {{"100", 100}, {"-5", -5}, {"+7", 7},  {"007", 7}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
                 {"", 0},      {"-", 0},   {"1.5", 0}, {"12-", 0}, {"not a number", 0},     {"99999999999", 0}};
    for (const auto& c : cases) {
        field->SetText(QString::fromLatin1(c.text));
        EXPECT_EQ(field->Value(), c.value) << '"' << c.text << '"';
        EXPECT_EQ(window->Engine().State().TimeOut.load(), c.value) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace uitest
