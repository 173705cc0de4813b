#include "number_text.h"

#include <double-conversion/double-to-string.h>
#include <fast_float/fast_float.h>

#include <cmath>
#include <cstring>

namespace zorvs_mcp::json {

std::optional<double> read_double(std::string_view text) {
  double d = 0;
  fast_float::from_chars(text.data(), text.data() + text.size(), d);
  if (std::isinf(d)) return std::nullopt;  // fast_float rounds overflow to infinity
  return d;
}

namespace {

char* put_zeros(char* o, int count) {
  for (; count > 0; --count) *o++ = '0';
  return o;
}

char* put_digits(char* o, const char* digits, int count) {
  std::memcpy(o, digits, static_cast<std::size_t>(count));
  return o + count;
}

// The exponent in plain decimal, without sign for positive ones.
char* put_exponent(char* o, int e) {
  if (e < 0) {
    *o++ = '-';
    e = -e;
  }
  char reversed[4];
  int n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + e % 10);
    e /= 10;
  } while (e != 0);
  while (n > 0) *o++ = reversed[--n];
  return o;
}

}  // namespace

std::size_t write_double(double d, char* out) {
  using double_conversion::DoubleToStringConverter;
  char digits[DoubleToStringConverter::kBase10MaximalLength + 1];
  bool negative = false;
  int count = 0;
  int point = 0;  // d = 0.digits * 10^point
  DoubleToStringConverter::DoubleToAscii(d, DoubleToStringConverter::SHORTEST, 0, digits,
                                         sizeof digits, &negative, &count, &point);
  char* o = out;
  if (negative) *o++ = '-';
  if (point <= -5 || point > 16) {
    *o++ = digits[0];
    if (count > 1) {
      *o++ = '.';
      o = put_digits(o, digits + 1, count - 1);
    }
    *o++ = 'e';
    o = put_exponent(o, point - 1);
  } else if (point <= 0) {
    *o++ = '0';
    *o++ = '.';
    o = put_zeros(o, -point);
    o = put_digits(o, digits, count);
  } else if (point < count) {
    o = put_digits(o, digits, point);
    *o++ = '.';
    o = put_digits(o, digits + point, count - point);
  } else {
    o = put_digits(o, digits, count);
    o = put_zeros(o, point - count);
    *o++ = '.';
    *o++ = '0';
  }
  return static_cast<std::size_t>(o - out);
}

}  // namespace zorvs_mcp::json
