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
