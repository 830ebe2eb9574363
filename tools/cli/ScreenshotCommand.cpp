// screenshot: the editor as a user would see it, drawn through the headless surface.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Commands.h"
#include "core/Pellory.h"
#include "editor/IGraphicsHeadless.h"
#include "platform/Files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace cli {

using namespace pellory;

namespace {

vst2::VstIntPtr VSTCALLBACK QuietHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*,
                                      float) {
  return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A configuration folder of its own, so that the picture does not depend on (or change) the
// user's INI file; removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
#ifndef _WIN32
    char pattern[] = "/tmp/pellory-screenshot-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
#endif
  }
  ~ScratchFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int RunScreenshot(const Context&, const std::vector<std::string>& args) {
  std::string view = "chart", bank, output;
  int program = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size() || (a != "--view" && a != "--bank" && a != "--program" && a != "-o")) return kUsage;
    const std::string& value = args[++i];
    if (a == "--view") {
      view = value;
    } else if (a == "--bank") {
      bank = value;
    } else if (a == "--program") {
      double n = 0;
      if (!ParseNumber(value, 1, 99, n)) return Fail("--program must be 1 to 99");
      program = static_cast<int>(n);
    } else {
      output = value;
    }
  }
  if (output.empty()) return Fail("screenshot needs an output file: -o FILE.png");
  const int viewNumber = view == "chart" ? 1 : view == "edit" ? 2 : view == "browse" ? 3 : 0;
  if (!viewNumber) return Fail("--view must be chart, edit or browse");
  std::vector<uint8_t> bankBytes;
  std::string error;
  if (!bank.empty() && !ReadWholeFile(bank, bankBytes, error)) return Fail(error);

  ScratchFolder scratch;
  InstanceOptions options;
  options.configFolder = scratch.Path();
  options.documentsFolder = scratch.Path();
  auto plug = std::make_unique<Pellory>(&QuietHost, options);
  vst2::AEffect* effect = plug->GetEffect();
  effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);
  if (!bankBytes.empty() && !plug->LoadSysEx(bankBytes.data(), bankBytes.size(), -1))
    return Fail(bank + " holds no program data");
  if (program > 0 || !bankBytes.empty()) {
    // The host's way in: the program number parameter, then the program's own values.
    const int number = program > 0 ? program : 1;
    const IParameter* p = plug->GetParameter(kProgramNumber);
    effect->setParameter(effect, kProgramNumber, static_cast<float>(p->GetNormalized(number)));
  }
  if (plug->EditorView() != viewNumber) plug->SetEditorView(viewNumber);

  auto* graphics = dynamic_cast<IGraphicsHeadless*>(plug->Editor());
  if (!graphics) return Fail("the editor surface cannot draw off screen");
  graphics->OpenWindow(nullptr);
  // What the window shows after its first ticks: everything, then the deferred refresh.
  plug->Idle();
  graphics->MarkAllControlsDirty();
  graphics->Tick();
  if (!graphics->WritePng(output)) return Fail("cannot write " + output);
  graphics->CloseWindow();
  return kOk;
}

}  // namespace cli
