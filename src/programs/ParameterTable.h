#pragma once
#include <cstddef>

namespace pellory {

// Display functions attached to parameters.
void FormatVolumeDb(double value, char* text, std::size_t size);
void FormatPanorama(double value, char* text, std::size_t size);
void FormatTune(double value, char* text, std::size_t size);
void FormatFmFrequency(double value, char* text, std::size_t size);
// Key of the 61-key keyboard (1 = C1 .. 61 = C6), used by the editor's number display.
void FormatNoteName(double value, char* text, std::size_t size);

constexpr int kNumPanelNumbers = 67;

// Front-panel parameter number (1..67) of a parameter id for its plain value; 0 when none.
int PanelNumberOf(int id, int value);
// Parameter id addressed by a panel number; -1 for numbers outside 1..67.
int ParameterOfPanelNumber(int panelNumber);

}  // namespace pellory
