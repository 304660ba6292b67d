#include "Frequency.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr unsigned long long kLargestHz = LLONG_MAX;
constexpr unsigned long long kHzPerGHz = 1000000000;
// Exponents beyond this are out of reach of 64 bits either way; reading
// stops growing there so a long exponent cannot overflow the reader.
constexpr int kExponentLimit = 1000;

// The number's parts: its digits without the point, how many of them follow
// the point, and the decimal exponent written after them.
struct DecimalNumber {
    std::string digits;
    int fractionDigits = 0;
    int exponent = 0;
};

struct Unit {
    const char* name;
    int powerOfTen;
};
constexpr Unit kUnits[] = {{"", 0}, {"hz", 0}, {"khz", 3}, {"mhz", 6}, {"ghz", 9}};

void SkipBlanks(const std::string& text, size_t& at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
}

size_t TakeDigits(const std::string& text, size_t& at, std::string& digits)
{
    const size_t first = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        digits += text[at++];
    return at - first;
}

// Reads "e[+|-]digits" at `at` when present; false when it is cut short.
bool TakeExponent(const std::string& text, size_t& at, int& exponent)
{
    if (at >= text.size() || (text[at] != 'e' && text[at] != 'E'))
        return true;
    ++at;
    int sign = 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        sign = text[at++] == '-' ? -1 : 1;
    std::string digits;
    if (TakeDigits(text, at, digits) == 0)
        return false;
    int magnitude = 0;
    for (char digit : digits)
        magnitude = magnitude < kExponentLimit ? magnitude * 10 + (digit - '0') : kExponentLimit;
    exponent = sign * magnitude;
    return true;
}

// Reads digits, an optional point with more digits, an optional exponent.
bool TakeNumber(const std::string& text, size_t& at, DecimalNumber& number)
{
    size_t count = TakeDigits(text, at, number.digits);
    if (at < text.size() && text[at] == '.') {
        ++at;
        number.fractionDigits = static_cast<int>(TakeDigits(text, at, number.digits));
        count += number.fractionDigits;
    }
    return count > 0 && TakeExponent(text, at, number.exponent);
}

// The power of ten of the unit spelled by the rest of the text, or -1.
int UnitPower(const std::string& rest)
{
    std::string lower;
    for (char c : rest)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Unit& unit : kUnits) {
        if (lower == unit.name)
            return unit.powerOfTen;
    }
    return -1;
}

// digits x 10^scale as whole hertz, exactly.
ParsedFrequency Scale(std::string digits, int scale)
{
    digits.erase(0, digits.find_first_not_of('0'));
    if (digits.empty())
        return {FrequencyStatus::Ok, 0};
    if (scale < 0) {
        const size_t dropped = static_cast<size_t>(-scale);
        if (dropped >= digits.size() || digits.find_first_not_of('0', digits.size() - dropped) != std::string::npos)
            return {FrequencyStatus::FractionOfHertz, 0};
        digits.resize(digits.size() - dropped);
        scale = 0;
    }
    unsigned long long value = 0;
    for (size_t i = 0; i < digits.size() + static_cast<size_t>(scale); ++i) {
        const unsigned digit = i < digits.size() ? static_cast<unsigned>(digits[i] - '0') : 0;
        if (value > (kLargestHz - digit) / 10)
            return {FrequencyStatus::TooLarge, 0};
        value = value * 10 + digit;
    }
    return {FrequencyStatus::Ok, static_cast<long long>(value)};
}

}  // namespace

ParsedFrequency ParseFrequency(const std::string& text)
{
    size_t at = 0;
    SkipBlanks(text, at);
    DecimalNumber number;
    if (!TakeNumber(text, at, number))
        return {FrequencyStatus::Malformed, 0};
    SkipBlanks(text, at);
    std::string rest = text.substr(at);
    rest.erase(rest.find_last_not_of(" \t") + 1);
    const int unitPower = UnitPower(rest);
    if (unitPower < 0) {
        const bool startsWithLetter = std::isalpha(static_cast<unsigned char>(rest[0])) != 0;
        return {startsWithLetter ? FrequencyStatus::UnknownUnit : FrequencyStatus::Malformed, 0};
    }
    return Scale(number.digits, number.exponent + unitPower - number.fractionDigits);
}

const char* FrequencyProblem(FrequencyStatus status)
{
    switch (status) {
    case FrequencyStatus::Ok:
        return "a valid frequency";
    case FrequencyStatus::Malformed:
        return "not a frequency; write e.g. 10.5GHz, 2900MHz, 500kHz or 1e9";
    case FrequencyStatus::UnknownUnit:
        return "unknown unit; use Hz, kHz, MHz or GHz";
    case FrequencyStatus::FractionOfHertz:
        return "not a whole number of hertz";
    case FrequencyStatus::TooLarge:
        return "too large for a 64-bit count of hertz";
    }
    return "not a frequency";
}

std::string GigahertzText(long long hz)
{
    const unsigned long long magnitude =
        hz < 0 ? 0 - static_cast<unsigned long long>(hz) : static_cast<unsigned long long>(hz);
    std::string text = (hz < 0 ? "-" : "") + std::to_string(magnitude / kHzPerGHz);
    std::string fraction = std::to_string(magnitude % kHzPerGHz);
    if (fraction != "0") {
        fraction.insert(0, 9 - fraction.size(), '0');
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text += "." + fraction;
    }
    return text;
}
