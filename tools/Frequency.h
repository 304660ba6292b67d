// Frequencies as a person types and reads them: "10.5GHz", "2900MHz",
// "500kHz", "1e9" or plain hertz on the way in, gigahertz on the way out.
#pragma once

#include <string>

enum class FrequencyStatus {
    Ok,
    Malformed,        // not a number, or a sign, or text after the unit
    UnknownUnit,      // a unit other than Hz, kHz, MHz or GHz
    FractionOfHertz,  // the value is not a whole number of hertz
    TooLarge          // more than a 64-bit signed count of hertz holds
};

struct ParsedFrequency {
    FrequencyStatus status;
    long long hz;  // the frequency in Hz when status is Ok, else 0
};

// Reads a non-negative frequency: a decimal number with an optional fraction
// and exponent, then an optional unit (Hz, kHz, MHz, GHz, in any letter case,
// blanks allowed before it). Without a unit the number counts hertz. The
// value is computed exactly, without floating point.
ParsedFrequency ParseFrequency(const std::string& text);

// What is wrong with a text that did not parse, for an error line.
const char* FrequencyProblem(FrequencyStatus status);

// hz as gigahertz with as many decimals as it needs: 10500000000 -> "10.5",
// 0 -> "0", 1 -> "0.000000001".
std::string GigahertzText(long long hz);
