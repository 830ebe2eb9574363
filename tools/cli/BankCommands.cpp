// bank list / bank factory / demo: programs as the instrument keeps them.
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <fstream>

#include "Commands.h"
#include "Phrases.h"
#include "Renderer.h"
#include "VstHost.h"
#include "platform/Resources.h"
#include "programs/FactoryBankNames.h"
#include "programs/ProgramRecords.h"
#include "programs/SysEx.h"

namespace cli {

using namespace pellory;

namespace {

const char* const kModes[] = {"Single", "Split", "Double"};

std::string KeyName(int key) {
  static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  if (key < 1) key = 1;
  return std::string(kNames[(key - 1) % 12]) + std::to_string((key - 1) / 12 + 1);
}

std::string Waves(const PrgValues& v, int triangle, int saw, int pulse) {
  std::string w;
  if (v[triangle]) w += "tri";
  if (v[saw]) w += std::string(w.empty() ? "" : "+") + "saw";
  if (v[pulse]) w += std::string(w.empty() ? "" : "+") + "pulse";
  return w.empty() ? "off" : w;
}

// The settings that say most about a PRG, in words.
std::string DescribePrg(const PrgValues& v) {
  static const char* const kOctaves[] = {"32'", "16'", "8'", "4'"};
  static const char* const kLfoWaves[] = {"off", "triangle", "saw up", "square"};
  char text[512];
  std::snprintf(text, sizeof(text),
                "DCO1 %s %s%s, DCO2 %s %s detune %d, noise %d; VCF cutoff %d res %d env %d%s; "
                "VCF ADSR %d/%d/%d/%d; VCA ADSR %d/%d/%d/%d vol %d; LFO1 %s rate %d depth %d, LFO2 %s rate %d depth %d",
                kOctaves[v[21] & 3], Waves(v, 22, 23, 24).c_str(),
                v[25] ? (" +" + std::to_string(v[25]) + " st").c_str() : "", kOctaves[v[29] & 3],
                Waves(v, 30, 31, 32).c_str(), v[36], v[28], v[16], v[17], v[18], v[20] ? " inverted" : "", v[10],
                v[11], v[12], v[13], v[40], v[41], v[42], v[43], v[39], kLfoWaves[v[0] & 3], v[6], v[8],
                kLfoWaves[v[44] & 3], v[50], v[52]);
  return text;
}

std::string DescribeCombi(const CombiValues& c) {
  char text[256];
  std::snprintf(text, sizeof(text), "lower PRG %d, upper PRG %d, %s, split at %s, upper transpose %+d, levels %d/%d",
                c.lowerProgram, c.upperProgram, kModes[c.keyboardMode < 0 || c.keyboardMode > 2 ? 0 : c.keyboardMode],
                KeyName(c.splitPoint).c_str(), c.upperTranspose - 25, c.lowerLevel, c.upperLevel);
  return text;
}

// Prints each message of a stream as it is read.
class ListingReceiver : public SysExReceiver {
 public:
  int messages = 0;
  void OnSplitMessage(int splitPoint, int upperTranspose) override {
    ++messages;
    std::printf("       Split mode: split point %d, upper transpose %d\n", splitPoint, upperTranspose);
  }
  void OnKeyboardModeMessage(int kind) override {
    ++messages;
    static const char* const kTexts[] = {"", "leave Split mode", "Double mode", "leave Double mode"};
    std::printf("       %s\n", kTexts[kind >= 1 && kind <= 3 ? kind : 0]);
  }
  void OnProgramSelectMessage(int kind, int program) override {
    ++messages;
    std::printf("       select %s program %d\n", kind == 5 ? "lower" : "upper", program);
  }
  void OnProgramData(int number, const uint8_t* record, int size, bool) override {
    ++messages;
    if (size == kPrgRecordSize)
      std::printf("  %2d  PRG    %s\n", number, DescribePrg(DecodePrgRecord(record)).c_str());
    else
      std::printf("  %2d  Combi  %s\n", number, DescribeCombi(DecodeCombiRecord(record)).c_str());
  }
};

bool FactoryBankBytes(int bank, const uint8_t*& data, std::size_t& size) {
  platform::ResourceData resource;
  const std::string name = "BANK_" + std::to_string(bank);
  if (!platform::FindResourceData("FACTORYBANK", name.c_str(), resource)) return false;
  data = resource.data;
  size = resource.size;
  return true;
}

// Combi n's record, read from its message in a factory-bank image (nibbles, low first).
CombiValues FactoryCombi(const uint8_t* bank, std::size_t size, int n) {
  CombiRecord record{};
  const std::size_t at = static_cast<std::size_t>(AllProgramsOffset(n)) + 5;
  if (size < at + 2 * record.size()) return CombiValues();
  for (std::size_t i = 0; i < record.size(); ++i)
    record[i] = static_cast<uint8_t>((bank[at + 2 * i] & 0x0F) | ((bank[at + 2 * i + 1] & 0x0F) << 4));
  return DecodeCombiRecord(record.data());
}

std::string Slug(const std::string& name) {
  std::string slug;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug.empty() ? "program" : slug;
}

}  // namespace

int RunBank(const Context&, const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "list") {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(args[1], bytes, error)) return Fail(error);
    if (bytes.size() < 5 || bytes[0] != kSysExStart || bytes[1] != kManufacturerId)
      return Fail(args[1] + " is not a SysEx program file (it must start with F0 25)");
    ListingReceiver listing;
    ByteReader reader(bytes.data(), bytes.size());
    const bool understood = ParseSysExStream(reader, -1, listing);
    std::printf("%d message(s)\n", listing.messages);
    if (!understood) return Fail(args[1] + ": the last message is cut short or not understood");
    return kOk;
  }
  if (args.size() == 4 && args[0] == "factory" && args[2] == "-o") {
    if (args[1] != "1" && args[1] != "2") return Fail("the factory banks are 1 and 2");
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    if (!FactoryBankBytes(args[1][0] - '0', data, size)) return Fail("factory bank " + args[1] + " is missing");
    FileWriter out(args[3]);
    out.Write(data, size);
    if (!out.Close()) return Fail("cannot write " + args[3]);
    std::printf("wrote factory bank %s (%zu bytes) to %s\n", args[1].c_str(), size, args[3].c_str());
    return kOk;
  }
  return kUsage;
}

int RunDemo(const Context& context, const std::vector<std::string>& args) {
  std::string folder = "demo";
  std::string plugin = DefaultPluginPath(context);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) folder = args[++i];
    else if (args[i] == "--plugin" && i + 1 < args.size()) plugin = args[++i];
    else return kUsage;
  }
  mkdir(folder.c_str(), 0755);
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail("cannot create folder " + folder);
  std::ofstream index(folder + "/index.txt");
  if (!index) return Fail("cannot write " + folder + "/index.txt");
  index << "bank\tnumber\tname\tfile\n";

  RenderOptions options;
  options.tailSeconds = 0.5;
  options.silenceDb = -90.0;  // every file ends after its release, not in it
  options.maxTailSeconds = 12.0;
  options.fadeSeconds = 0.5;
  double cpu = 0.0, audio = 0.0;
  int written = 0;
  for (int bank = 1; bank <= 2; ++bank) {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    if (!FactoryBankBytes(bank, data, size)) return Fail("factory bank " + std::to_string(bank) + " is missing");
    for (int n = 1; n <= kLastProgram; ++n) {
      const std::string name = FactoryProgramName(bank, n);
      char file[256];
      std::snprintf(file, sizeof(file), "bank%d-%02d-%s.wav", bank, n, Slug(name).c_str());
      // A fresh instance per program: nothing rings over from the previous one.
      VstHost host;
      std::string error;
      if (!LoadInstrument(host, plugin, error)) return Fail(error);
      host.Start(options.sampleRate, options.blockSize);
      std::vector<TimedMidiEvent> events;
      events.push_back({0.0, std::vector<uint8_t>(data, data + size)});
      for (std::vector<uint8_t>& m : SelectProgramMessages(n)) events.push_back({0.0, m});
      std::vector<TimedMidiEvent> phrase = MakePhrase(PhraseKindForName(name), 0.05);
      if (n > kNumPrgs) {
        const CombiValues combi = FactoryCombi(data, size, n);
        if (combi.keyboardMode == 1) phrase = AcrossSplit(phrase, combi.splitPoint + 35);
      }
      for (TimedMidiEvent& e : phrase) events.push_back(e);
      RenderResult result;
      const std::string path = folder + "/" + file;
      if (!RenderToWav(host, events, options, path, result, error)) return Fail(error);
      cpu += result.cpuSeconds;
      audio += static_cast<double>(result.frames) / options.sampleRate;
      index << bank << '\t' << n << '\t' << name << '\t' << file << '\n';
      std::printf("%s  peak %.3f\n", file, result.peak);
      ++written;
    }
  }
  std::printf("wrote %d programs to %s (index.txt lists them); real-time factor %.4f\n", written, folder.c_str(),
              audio > 0 ? cpu / audio : 0.0);
  return kOk;
}

}  // namespace cli
