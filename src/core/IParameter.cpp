#include "core/IParameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pellory {

void CopyText(char* destination, std::size_t size, const char* text) {
  if (!destination || size == 0) return;
  if (!text) text = "";
  std::size_t n = std::strlen(text);
  if (n > size - 1) n = size - 1;
  std::memcpy(destination, text, n);
  destination[n] = '\0';
}

void FormatFixed(double value, int precision, char* text, std::size_t size) {
  if (!text || size == 0) return;
  char buffer[400];
  // to_chars ignores the C locale, so a host running with a decimal comma still sees "0.50".
  std::to_chars_result r = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value,
                                         std::chars_format::fixed, precision);
  if (r.ec != std::errc()) {
    CopyText(text, size, std::isnan(value) ? "nan" : "inf");
    return;
  }
  *r.ptr = '\0';
  CopyText(text, size, buffer);
}

void IParameter::InitDouble(const char* name, double defaultValue, double minimum, double maximum,
                            double step, const char* label, const char* group, double shape) {
  if (type_ == kTypeNone) type_ = kTypeDouble;
  CopyText(name_, sizeof(name_), name);
  CopyText(label_, sizeof(label_), label);
  CopyText(group_, sizeof(group_), group);
  value_ = default_ = defaultValue;
  min_ = minimum;
  max_ = std::max(maximum, minimum + step);
  step_ = step;
  precision_ = 0;
  // Decimals of the step: 1 -> 0, 0.01 -> 2, never more than 6.
  while (precision_ < 6) {
    double scaled = step * std::pow(10.0, precision_);
    if (std::fabs(scaled - std::floor(scaled + 0.5)) < 1e-9 * std::max(1.0, std::fabs(scaled))) break;
    ++precision_;
  }
  if (shape != 0.0) shape_ = shape;
}

void IParameter::InitInt(const char* name, int defaultValue, int minimum, int maximum) {
  if (type_ == kTypeNone) type_ = kTypeInt;
  InitDouble(name, defaultValue, minimum, maximum, 1.0, "", "", 1.0);
}

void IParameter::SetDisplayText(int value, const char* text) {
  DisplayText entry{};
  entry.value = value;
  CopyText(entry.text, sizeof(entry.text), text);
  displayTexts_.push_back(entry);
}

void IParameter::SetValueClamped(double value) {
  if (std::isnan(value)) value = min_;
  value_ = std::min(std::max(value, min_), max_);
}

double IParameter::GetNormalized(double plain) const {
  if (std::isnan(plain)) plain = min_;
  double v = std::min(std::max(plain, min_), max_);
  double n = (v - min_) / (max_ - min_);
  return shape_ == 1.0 ? n : std::pow(n, 1.0 / shape_);
}

double IParameter::PlainFromNormalized(double normalized) const {
  double n = shape_ == 1.0 ? normalized : std::pow(normalized, shape_);
  return n * (max_ - min_) + min_;
}

double IParameter::PlainForNormalized(double normalized) const {
  // Hosts do send values outside 0..1 and NaN; keep the stored value inside the range.
  if (std::isnan(normalized)) normalized = 0.0;
  normalized = std::min(std::max(normalized, 0.0), 1.0);
  double v = PlainFromNormalized(normalized);
  if (type_ != kTypeDouble) v = std::floor(v / step_ + 0.5) * step_;
  return std::min(v, max_);
}

double IParameter::SetNormalized(double normalized) {
  value_ = PlainForNormalized(normalized);
  return value_;
}

const IParameter::DisplayText* IParameter::FindDisplayText(int value) const {
  for (const DisplayText& entry : displayTexts_)
    if (entry.value == value) return &entry;
  return nullptr;
}

static int TruncateToInt(double x) {
  if (!(x > -2147483648.0)) return std::isnan(x) ? 0 : -2147483647 - 1;
  if (x >= 2147483647.0) return 2147483647;
  return static_cast<int>(x);
}

void IParameter::GetDisplayText(double x, bool isNormalized, char* text, std::size_t size,
                                bool allowDisplayTexts) const {
  if (!text || size == 0) return;
  if (isNormalized) x = PlainFromNormalized(x);
  if (formatter_) {
    formatter_(x, text, size);
    return;
  }
  if (allowDisplayTexts && !displayTexts_.empty()) {
    const DisplayText* entry = FindDisplayText(TruncateToInt(x));
    if (entry && entry->text[0]) {
      CopyText(text, size, entry->text);
      return;
    }
  }
  if (negateDisplay_) x = -x;
  if (precision_ > 0) {
    FormatFixed(x, precision_, text, size);
  } else {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", TruncateToInt(x));
    CopyText(text, size, buffer);
  }
}

namespace {
// A whole text read as a decimal number, locale-independent; false when anything else is in it.
bool ReadWholeNumber(const std::string& text, double& value) {
  const char* p = text.c_str();
  const char* end = p + text.size();
  if (p != end && *p == '+') ++p;
  std::from_chars_result r = std::from_chars(p, end, value);
  return r.ec == std::errc() && r.ptr == end && !std::isnan(value);
}

std::string Trimmed(const char* text) {
  std::string s(text);
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}
}  // namespace

bool IParameter::ParseFormattedText(const std::string& text, double& plainValue) const {
  // The values a formatter shows are the steps of the range; hosts and the editor type one of
  // their texts, or a number in the same units.
  const double span = (max_ - min_) / step_;
  if (!(span >= 0.0 && span <= 1e6)) return false;
  const int count = static_cast<int>(std::floor(span + 1e-9)) + 1;
  const double scale = std::pow(10.0, precision_);
  auto stepValue = [&](int k) { return std::min(std::round((min_ + k * step_) * scale) / scale, max_); };
  auto shown = [&](int k) {
    char buffer[64];
    formatter_(stepValue(k), buffer, sizeof(buffer));
    return std::string(buffer);
  };
  auto shownNumber = [&](int k) {
    double y = 0.0;
    return ReadWholeNumber(shown(k), y) ? y : std::nan("");
  };
  // Long ranges (pitch values shown in hertz) are searched by bisection, which needs a display
  // that rises with the value; short ones are scanned.
  const bool bisect = count > 2048;
  auto firstAbove = [&](double x, bool orEqual) {
    int lo = 0, hi = count;
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      const double y = shownNumber(mid);
      if (orEqual ? y >= x : y > x) hi = mid;
      else lo = mid + 1;
    }
    return lo;
  };
  // Several steps may show one text (a coarse display); the middle one of them is nearest to
  // what the text says.
  auto takeMiddleOf = [&](const std::string& target) {
    int from = 0, to = count;
    double y = 0.0;
    if (bisect && ReadWholeNumber(target, y)) {
      from = firstAbove(y, true);
      to = firstAbove(y, false);
    }
    int first = -1, last = -1;
    for (int k = from; k < to; ++k) {
      if (shown(k) != target) continue;
      if (first < 0) first = k;
      last = k;
    }
    if (first < 0) return false;
    plainValue = stepValue(first + (last - first) / 2);
    return true;
  };
  if (takeMiddleOf(text)) return true;

  // A number that cannot be a plain value but lies within the shown numbers is read in the
  // shown units: the step whose shown number is nearest.
  double x = 0.0;
  if (!ReadWholeNumber(text, x) || (x >= min_ && x <= max_)) return false;
  int best = -1;
  double lowest = HUGE_VAL, highest = -HUGE_VAL;
  if (bisect) {
    lowest = shownNumber(0);
    highest = shownNumber(count - 1);
    const int k = firstAbove(x, true);
    best = k >= count || (k > 0 && x - shownNumber(k - 1) <= shownNumber(k) - x) ? k - 1 : k;
  } else {
    double nearest = HUGE_VAL;
    for (int k = 0; k < count; ++k) {
      const double y = shownNumber(k);
      if (std::isnan(y)) continue;
      lowest = std::min(lowest, y);
      highest = std::max(highest, y);
      if (std::fabs(y - x) < nearest) {
        nearest = std::fabs(y - x);
        best = k;
      }
    }
  }
  if (best < 0 || !(x >= lowest && x <= highest)) return false;
  return takeMiddleOf(shown(best));
}

bool IParameter::ParseDisplayText(const char* text, double& plainValue) const {
  if (!text) return false;
  if (!displayTexts_.empty()) {
    for (const DisplayText& entry : displayTexts_) {
      if (std::strcmp(entry.text, text) == 0) {
        plainValue = entry.value;
        return true;
      }
    }
    return false;
  }
  // A parameter shown in other units (decibels, cents, hertz, left:right) takes the text it
  // shows for a value, and numbers in those units where they cannot be plain values; every
  // other number is read in plain units.
  if (formatter_ && step_ > 0.0 && ParseFormattedText(Trimmed(text), plainValue)) return true;
  // Locale-independent decimal number; anything unreadable is 0 as a plain text read gives.
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '+') ++p;
  double v = 0.0;
  std::from_chars_result r = std::from_chars(p, p + std::strlen(p), v);
  if (r.ec != std::errc() || std::isnan(v)) v = 0.0;
  plainValue = negateDisplay_ ? -v : v;
  return true;
}

const char* IParameter::GetHostLabel() const {
  if (!displayTexts_.empty()) {
    const DisplayText* entry = FindDisplayText(TruncateToInt(value_));
    if (entry && entry->text[0]) return "";
  }
  return label_;
}

}  // namespace pellory
