/* A stand-in for the microtuning library, built as a real shared library so the client is
 * tested through the same run-time loading as in a host. Compile-time switches leave out
 * entry points to imitate older or broken installations; the FakeMts_* functions let a test
 * play the master. */
#include <math.h>
#include <stdbool.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static double table[128];
static bool tableReady;
static bool masterConnected;
static bool filtered[128];
static int registeredClients;
static int lastChannel = 1000;
static char scaleName[512] = "Fake Scale";

static void FillEqual(double a4) {
  for (int i = 0; i < 128; ++i) table[i] = a4 * pow(2.0, (i - 69) / 12.0);
  tableReady = true;
}

EXPORT void FakeMts_Reset(void) {
  FillEqual(440.0);
  masterConnected = false;
  memset(filtered, 0, sizeof filtered);
  registeredClients = 0;
  lastChannel = 1000;
  strcpy(scaleName, "Fake Scale");
}
EXPORT void FakeMts_SetMaster(bool connected) { masterConnected = connected; }
EXPORT void FakeMts_SetFrequency(int note, double hz) { table[note & 127] = hz; }
EXPORT void FakeMts_FillEqual(double a4) { FillEqual(a4); }
EXPORT void FakeMts_SetFiltered(int note, bool drop) { filtered[note & 127] = drop; }
EXPORT void FakeMts_SetScaleName(const char* name) {
  strncpy(scaleName, name, sizeof scaleName - 1);
  scaleName[sizeof scaleName - 1] = 0;
}
EXPORT int FakeMts_RegisteredClients(void) { return registeredClients; }
EXPORT int FakeMts_LastChannel(void) { return lastChannel; }

#ifndef FAKE_MTS_PARTIAL
EXPORT void MTS_RegisterClient(void) { ++registeredClients; }
EXPORT void MTS_DeregisterClient(void) { --registeredClients; }
EXPORT bool MTS_ShouldFilterNote(char note, signed char channel) {
  lastChannel = channel;
  return filtered[note & 127];
}
EXPORT bool MTS_ShouldFilterNoteMultiChannel(char note, signed char channel) {
  return filtered[note & 127];
}
EXPORT const double* MTS_GetMultiChannelTuningTable(signed char channel) { return table; }
EXPORT bool MTS_UseMultiChannelTuning(signed char channel) { return false; }
EXPORT const char* MTS_GetScaleName(void) { return scaleName; }
#endif

#ifndef FAKE_MTS_NO_HAS_MASTER
EXPORT bool MTS_HasMaster(void) { return masterConnected; }
#endif

#ifndef FAKE_MTS_NO_TUNING_TABLE
EXPORT const double* MTS_GetTuningTable(void) {
  if (!tableReady) FillEqual(440.0);
  return table;
}
#endif
