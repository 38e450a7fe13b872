#pragma once
// The ALV calibration constants B, A, K1, K2 and the parameter line that
// carries them ("R180" answer, "W180" data): 21 characters, single blanks
// between the fields, decimal comma, e.g. "0,2500 -0,00090  3 -5".
#include <cstdint>
#include <optional>

#include "util/text.h"

inline constexpr char kAlvReadCheckCommand[] = "R182";   // answer not used
inline constexpr char kAlvReadParamsCommand[] = "R180";
inline constexpr char kAlvReadSerialCommand[] = "R181";
inline constexpr char kAlvWriteParamsCommand[] = "W180";
inline constexpr char kAlvWriteSerialCommand[] = "W181";
inline constexpr char kAlvStoreCommand[] = "W182";
inline constexpr char kAlvStoreCode[] = "58231";

// Field limits; B has none.
inline constexpr double kAlvAMin = -0.002;
inline constexpr double kAlvAMax = 0.0;
inline constexpr int32_t kAlvKMin = -20;
inline constexpr int32_t kAlvKMax = 20;

// Decimals shown in the fields (the line itself carries 4 for B, 5 for A).
inline constexpr int32_t kAlvShownDecimalsB = 3;
inline constexpr int32_t kAlvShownDecimalsA = 5;

struct AlvParams {
  double B = 0.25;    // kept with all its decimals: a refresh and send gives B back unchanged
  double A = -0.0009;
  int32_t K1 = 0;
  int32_t K2 = 0;
};

// A out of -0.002..0 and K1, K2 out of -20..20 become the nearest limit.
double LimitAlvA(double a);
int32_t LimitAlvK(double k);  // rounded to the nearest integer, halves away from 0
AlvParams LimitAlvParams(const AlvParams& params);

// B (6 wide, 4 decimals), A (8 wide, 5 decimals), K1, K2 (2 wide) joined by
// single blanks. A value wider than its field pushes the rest to the right.
Text AlvParameterLine(const AlvParams& params);

// Fixed columns 1-6, 8-15, 17-18 and 20-21 of the answer, each read
// leniently (unreadable or missing gives 0), then the limits applied.
AlvParams ParseAlvParameterLine(const Text& answer);

// How a field shows its value: the given decimals, with the locale's
// separator.
Text AlvFieldText(double value, int32_t decimals, char decimalSeparator);

// "W180" + parameter line (no blank between).
Text AlvWriteParamsCommand(const AlvParams& params);
// "W181" + the serial number in decimal, or + "FEHLER" when the serial text
// does not follow the serial pattern.
Text AlvWriteSerialCommand(const Text& serialText);
// "W182" + the store code.
Text AlvStoreCommand();

// The "R181" answer as a decimal integer (blanks around it allowed, an
// optional sign), or nothing when it is not one.
std::optional<int32_t> ParseAlvSerialAnswer(const Text& answer);
// The conversion error shown when the "R181" answer is not an integer.
Text AlvSerialAnswerError(const Text& answer);
