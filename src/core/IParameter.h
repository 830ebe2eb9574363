#pragma once
#include <string>
#include <vector>

namespace pellory {

// Display function of a parameter: writes the text for a plain value.
typedef void (*ParameterFormatter)(double plainValue, char* text, std::size_t size);

// One automatable setting. Plain values are doubles within [minimum, maximum]; the host and the
// editor speak normalised values 0..1.
class IParameter {
 public:
  enum Type { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };

  struct DisplayText {
    int value;
    char text[32];
  };

  static constexpr std::size_t kNameSize = 32;

  void InitDouble(const char* name, double defaultValue, double minimum, double maximum, double step,
                  const char* label = "", const char* group = "", double shape = 1.0);
  void InitInt(const char* name, int defaultValue, int minimum, int maximum);
  // Enumerations are declared through the plug-in object (InitEnum there); this sets the type.
  void MakeEnum() {
    if (type_ == kTypeNone) type_ = kTypeEnum;
  }
  void SetDisplayText(int value, const char* text);
  void SetFormatter(ParameterFormatter formatter) { formatter_ = formatter; }

  double Value() const { return value_; }
  // Stores a plain value clamped to the range (state restore, program logic).
  void SetValueClamped(double value);
  double GetNormalized() const { return GetNormalized(value_); }
  double GetNormalized(double plain) const;
  // Stores the plain value for a normalised one, rounded to the step unless continuous.
  double SetNormalized(double normalized);
  // Plain value for a normalised one without rounding or clamping (display of host values).
  double PlainFromNormalized(double normalized) const;

  void GetDisplayText(double value, bool isNormalized, char* text, std::size_t size,
                      bool allowDisplayTexts = true) const;
  // Text entered by the host: a number, or exactly one of the display texts. False when unknown.
  bool ParseDisplayText(const char* text, double& plainValue) const;
  const char* GetHostLabel() const;

  const char* GetName() const { return name_; }
  const char* GetLabel() const { return label_; }
  Type GetType() const { return type_; }
  int GetDisplayTextCount() const { return static_cast<int>(displayTexts_.size()); }
  const char* GetDisplayTextAt(int i) const { return displayTexts_[i].text; }
  // The display text declared for an integer value; null when there is none.
  const char* GetDisplayTextForValue(int value) const {
    const DisplayText* entry = FindDisplayText(value);
    return entry ? entry->text : nullptr;
  }
  bool NegateDisplay() const { return negateDisplay_; }
  double GetMin() const { return min_; }
  double GetMax() const { return max_; }
  double GetStep() const { return step_; }
  double GetDefault() const { return default_; }
  double GetShape() const { return shape_; }
  int GetPrecision() const { return precision_; }
  bool IsAutomatable() const { return automatable_; }

 private:
  const DisplayText* FindDisplayText(int value) const;

  ParameterFormatter formatter_ = nullptr;
  Type type_ = kTypeNone;
  double value_ = 0.0;
  double min_ = 0.0;
  double max_ = 1.0;
  double step_ = 1.0;
  double shape_ = 1.0;
  double default_ = 0.0;
  int precision_ = 0;
  char name_[kNameSize] = {};
  char label_[kNameSize] = {};
  char group_[kNameSize] = {};
  bool negateDisplay_ = false;
  bool automatable_ = true;
  std::vector<DisplayText> displayTexts_;
};

// Formats a number with '.' as the decimal mark whatever the process locale ("%.*f").
void FormatFixed(double value, int precision, char* text, std::size_t size);
// Copies text into a buffer of size bytes, always terminated, cut when longer.
void CopyText(char* destination, std::size_t size, const char* text);

}  // namespace pellory
