#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <utility>

#include <QLineEdit>

#include "support/ScriptedMessageBoxes.h"
#include "toolkit/DialogExt.h"

namespace {

constexpr int kTemplate = 9001;
constexpr int kEdit = 100;
constexpr int kLabel = 101;
constexpr int kMissing = 999;

class NumberDialog : public CDialogExt {
public:
    NumberDialog() : CDialogExt(kTemplate, nullptr)
    {
        RegisterDialogTemplate({kTemplate, "Numbers", 200, 60, DS_CAPTION,
                                {{ControlKind::Edit, kEdit, "", 10, 10, 100, 12},
                                 {ControlKind::Static, kLabel, "", 10, 30, 100, 12}}});
        Create(kTemplate, nullptr);
    }
    CEdit& Edit()
    {
        m_edit.Attach(GetDlgItem(kEdit)->GetSafeHwnd());
        return m_edit;
    }

private:
    CEdit m_edit;
};

class DialogExtTest : public ::testing::Test {
protected:
    void Type(const std::string& text) { dialog.SetDlgItemText(kEdit, text); }
    std::string Shown(int id = kLabel) { return dialog.GetDlgItemText(id, 256); }

    NumberDialog dialog;
    ScriptedMessageBoxes boxes;
};

TEST_F(DialogExtTest, EmptyTextReadsAsZeroWithoutMessage)
{
    Type("");
    int i = 7;
    EXPECT_TRUE(dialog.GetDlgItemInt(kEdit, &i));
    EXPECT_EQ(0, i);
    double d = 7;
    EXPECT_TRUE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(0.0, d);
    float f = 7;
    EXPECT_TRUE(dialog.GetDlgItemFloat(kEdit, &f));
    EXPECT_EQ(0.0f, f);
}

TEST_F(DialogExtTest, IntegerReaderReportsBadTextAndGivesNoValue)
{
    Type("12a");
    boxes.Expect("Please enter a number.");
    int value = 5;
    EXPECT_FALSE(dialog.GetDlgItemInt(kEdit, &value));
    EXPECT_EQ(5, value);
    ASSERT_EQ(1u, boxes.AllShown().size());
    EXPECT_EQ(MB_ICONHAND, boxes.AllShown()[0].type & 0xF0);

    Type("-42");
    EXPECT_TRUE(dialog.GetDlgItemInt(kEdit, &value));
    EXPECT_EQ(-42, value);
    // The check accepts a sign anywhere; the conversion decides.
    Type("12-3");
    EXPECT_TRUE(dialog.GetDlgItemInt(kEdit, &value));
    EXPECT_EQ(12, value);
}

TEST_F(DialogExtTest, DoubleReaderTakesACommaAsTheDecimalPoint)
{
    double d = 0;
    Type("-3.5");
    EXPECT_TRUE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(-3.5, d);
    for (const auto& [typed, read] : {std::pair{"3,5", 3.5}, {"25,75", 25.75}, {"-0,25", -0.25}}) {
        Type(typed);
        EXPECT_TRUE(dialog.GetDlgItemDouble(kEdit, &d)) << typed;
        EXPECT_EQ(read, d) << typed;
    }
    float f = 0;
    Type("1,5");
    EXPECT_TRUE(dialog.GetDlgItemFloat(kEdit, &f));
    EXPECT_EQ(1.5f, f);

    // Two separators are no number: never a number cut short.
    d = 8.25;
    Type("1,234.5");
    boxes.Expect("Please enter a number.");
    EXPECT_FALSE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(8.25, d);

    // An exponent is no number for the double reader; the old value stays.
    d = 8.25;
    Type("1e3");
    boxes.Expect("Please enter a number.");
    EXPECT_FALSE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(8.25, d);
}

TEST_F(DialogExtTest, FloatReaderAcceptsExponentAndBlank)
{
    float f = 0;
    Type("1e3");
    EXPECT_TRUE(dialog.GetDlgItemFloat(kEdit, &f));
    EXPECT_EQ(1000.0f, f);
    Type(" 2.5E1");
    EXPECT_TRUE(dialog.GetDlgItemFloat(kEdit, &f));
    EXPECT_EQ(25.0f, f);

    f = 4.0f;
    Type("x1");
    boxes.Expect("Please enter a number.");
    EXPECT_FALSE(dialog.GetDlgItemFloat(kEdit, &f));
    EXPECT_EQ(4.0f, f);
}

TEST_F(DialogExtTest, OnlyTheFirstNineteenCharactersAreRead)
{
    // The letters lie beyond the 19th character: never read, never checked.
    Type("12345678901234567890123ab");
    double d = 0;
    EXPECT_TRUE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(1234567890123456789.0, d);

    Type("123456789012345678a");
    boxes.Expect("Please enter a number.");
    EXPECT_FALSE(dialog.GetDlgItemDouble(kEdit, &d));
}

TEST_F(DialogExtTest, ValidateEditIntSelectsBadText)
{
    int value = 5;
    Type("77");
    EXPECT_TRUE(CDialogExt::ValidateEditInt(&dialog.Edit(), &value));
    EXPECT_EQ(77, value);

    Type("7.5");
    boxes.Expect("Please enter a number.");
    EXPECT_FALSE(CDialogExt::ValidateEditInt(&dialog.Edit(), &value));
    EXPECT_EQ(77, value);
    auto* edit = qobject_cast<QLineEdit*>(dialog.Edit().GetSafeHwnd());
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ("7.5", edit->selectedText().toStdString());
}

TEST_F(DialogExtTest, IntegerReadersSaturateToThirtyTwoBits)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999", INT_MAX},
        {"9999999999999999999", INT_MAX},  // beyond 64 bits too
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Type(c.text);
        int value = 0;
        EXPECT_TRUE(dialog.GetDlgItemInt(kEdit, &value));
        EXPECT_EQ(c.expected, value);
        EXPECT_TRUE(CDialogExt::ValidateEditInt(&dialog.Edit(), &value));
        EXPECT_EQ(c.expected, value);
    }
    EXPECT_TRUE(boxes.AllShown().empty());
}

TEST_F(DialogExtTest, MissingControlSaysNoValueRead)
{
    boxes.Expect("No value read");
    int i = 3;
    EXPECT_FALSE(dialog.GetDlgItemInt(kMissing, &i));
    EXPECT_EQ(0, i);
    double d = 3;
    boxes.Expect("No value read");
    EXPECT_FALSE(dialog.GetDlgItemDouble(kMissing, &d));
    EXPECT_EQ(0.0, d);
    EXPECT_EQ(MB_ICONASTERISK, boxes.AllShown()[0].type & 0xF0);
    // Writers skip a missing control silently.
    dialog.SetDlgItemDouble(kMissing, 1.0, 2, false);
    dialog.SetDlgItemIntClamped(kMissing, 1, -1, -1);
}

TEST_F(DialogExtTest, IntegerWriterClampsOnlyWithNonNegativeBounds)
{
    dialog.SetDlgItemIntClamped(kLabel, 150, 0, 100);
    EXPECT_EQ("100", Shown());
    dialog.SetDlgItemIntClamped(kLabel, 150, -1, -1);
    EXPECT_EQ("150", Shown());
    dialog.SetDlgItemIntClamped(kLabel, 3, 5, -1);
    EXPECT_EQ("5", Shown());
    dialog.SetDlgItemIntClamped(kLabel, -20, -1, 10);
    EXPECT_EQ("-20", Shown());
}

TEST_F(DialogExtTest, RealWritersKeepThePointAndBlankZero)
{
    dialog.SetDlgItemDouble(kLabel, 2.456, 2, false);
    EXPECT_EQ("2.46", Shown());
    dialog.SetDlgItemDouble(kLabel, 0.0, 2, true);
    EXPECT_EQ("", Shown());
    dialog.SetDlgItemDouble(kLabel, 0.0, 2, false);
    EXPECT_EQ("0.00", Shown());
    dialog.SetDlgItemDouble(kLabel, 3.0, 0, false);
    EXPECT_EQ("3.", Shown());
    dialog.SetDlgItemFloat(kLabel, 1.5f, 3, false);
    EXPECT_EQ("1.50", Shown());
    dialog.SetDlgItemFloat(kLabel, 0.0f, 3, true);
    EXPECT_EQ("", Shown());
    EXPECT_EQ("12.3457", FormatDialogNumber(12.345678, 4, 'f'));
}

TEST_F(DialogExtTest, NumbersUseThePointUnderACommaLocale)
{
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    ASSERT_STREQ("2,5", probe);

    dialog.SetDlgItemDouble(kLabel, 2.5, 2, false);
    EXPECT_EQ("2.50", Shown());
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    Type("2.75");
    double d = 0;
    EXPECT_TRUE(dialog.GetDlgItemDouble(kEdit, &d));
    EXPECT_EQ(2.75, d);
    std::setlocale(LC_NUMERIC, "C");
}

TEST(DialogExtRound, HalfAwayFromZero)
{
    EXPECT_EQ(3.0, CDialogExt::Round(2.5));
    EXPECT_EQ(-3.0, CDialogExt::Round(-2.5));
    EXPECT_EQ(0.0, CDialogExt::Round(0.49));
    EXPECT_EQ(2.0, CDialogExt::Round(2.4999));
    double minusZero = CDialogExt::Round(-0.4);
    EXPECT_EQ(0.0, minusZero);
    EXPECT_TRUE(std::signbit(minusZero));
    EXPECT_TRUE(std::isnan(CDialogExt::Round(NAN)));
}

}  // namespace
