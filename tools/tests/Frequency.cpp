#include "Frequency.h"

#include <gtest/gtest.h>

namespace {

long long Hz(const char* text)
{
    const ParsedFrequency parsed = ParseFrequency(text);
    EXPECT_EQ(parsed.status, FrequencyStatus::Ok) << text;
    return parsed.hz;
}

FrequencyStatus StatusOf(const char* text)
{
    return ParseFrequency(text).status;
}

TEST(FrequencyParser, UnitsScaleTheNumberToHertz)
{
    EXPECT_EQ(Hz("2900000000"), 2900000000LL);
    EXPECT_EQ(Hz("2900000000Hz"), 2900000000LL);
    EXPECT_EQ(Hz("500kHz"), 500000LL);
    EXPECT_EQ(Hz("2900MHz"), 2900000000LL);
    EXPECT_EQ(Hz("21GHz"), 21000000000LL);
}

TEST(FrequencyParser, UnitsIgnoreLetterCaseAndBlanks)
{
    EXPECT_EQ(Hz("10.5ghz"), 10500000000LL);
    EXPECT_EQ(Hz(" 10.5 GHZ "), 10500000000LL);
    EXPECT_EQ(Hz("2900 mhz"), 2900000000LL);
}

TEST(FrequencyParser, DecimalsAreExactWithoutFloatingPointError)
{
    EXPECT_EQ(Hz("10.5GHz"), 10500000000LL);
    EXPECT_EQ(Hz("0.1GHz"), 100000000LL);
    EXPECT_EQ(Hz("19.099999999GHz"), 19099999999LL);
    EXPECT_EQ(Hz(".5GHz"), 500000000LL);
    EXPECT_EQ(Hz("5.GHz"), 5000000000LL);
    EXPECT_EQ(Hz("2.500kHz"), 2500LL);
}

TEST(FrequencyParser, ExponentsCombineWithUnits)
{
    EXPECT_EQ(Hz("1e9"), 1000000000LL);
    EXPECT_EQ(Hz("1E9"), 1000000000LL);
    EXPECT_EQ(Hz("1.05e10"), 10500000000LL);
    EXPECT_EQ(Hz("2.9e+3MHz"), 2900000000LL);
    EXPECT_EQ(Hz("10500e-3GHz"), 10500000000LL);
    EXPECT_EQ(Hz("0e99999"), 0LL);
}

TEST(FrequencyParser, ZeroInAnyFormIsZeroHertz)
{
    EXPECT_EQ(Hz("0"), 0LL);
    EXPECT_EQ(Hz("0.000GHz"), 0LL);
    EXPECT_EQ(Hz("000"), 0LL);
}

TEST(FrequencyParser, TextThatIsNoNumberIsMalformed)
{
    EXPECT_EQ(StatusOf(""), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("GHz"), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("."), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("-5GHz"), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("+5GHz"), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("1e"), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("1.2.3"), FrequencyStatus::Malformed);
    EXPECT_EQ(StatusOf("10 5"), FrequencyStatus::Malformed);
}

TEST(FrequencyParser, UnknownUnitsAreNamedAsSuch)
{
    EXPECT_EQ(StatusOf("10.5G"), FrequencyStatus::UnknownUnit);
    EXPECT_EQ(StatusOf("10THz"), FrequencyStatus::UnknownUnit);
    EXPECT_EQ(StatusOf("10 GHz Hz"), FrequencyStatus::UnknownUnit);
    EXPECT_EQ(StatusOf("10GHz!"), FrequencyStatus::UnknownUnit);
}

TEST(FrequencyParser, FractionsOfAHertzAreRefused)
{
    EXPECT_EQ(StatusOf("1.5"), FrequencyStatus::FractionOfHertz);
    EXPECT_EQ(StatusOf("1.0000000001GHz"), FrequencyStatus::FractionOfHertz);
    EXPECT_EQ(StatusOf("1e-1"), FrequencyStatus::FractionOfHertz);
    EXPECT_EQ(StatusOf("5e-99999"), FrequencyStatus::FractionOfHertz);
}

TEST(FrequencyParser, ValuesBeyondSixtyFourBitsAreTooLarge)
{
    EXPECT_EQ(Hz("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(StatusOf("9223372036854775808"), FrequencyStatus::TooLarge);
    EXPECT_EQ(StatusOf("9223372037GHz"), FrequencyStatus::TooLarge);
    EXPECT_EQ(StatusOf("1e19"), FrequencyStatus::TooLarge);
    EXPECT_EQ(StatusOf("1e99999999999999999999"), FrequencyStatus::TooLarge);
    EXPECT_EQ(StatusOf("99999999999999999999999999"), FrequencyStatus::TooLarge);
}

TEST(GigahertzText, ShowsOnlyTheDecimalsTheValueNeeds)
{
    EXPECT_EQ(GigahertzText(0), "0");
    EXPECT_EQ(GigahertzText(21000000000LL), "21");
    EXPECT_EQ(GigahertzText(10500000000LL), "10.5");
    EXPECT_EQ(GigahertzText(1), "0.000000001");
    EXPECT_EQ(GigahertzText(2990000000LL), "2.99");
    EXPECT_EQ(GigahertzText(-1200000000LL), "-1.2");
}

}  // namespace
