#include "EditorSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/Resources.h"

namespace pellory::edtest {

TempFolder::TempFolder() {
  std::random_device rd;
  std::filesystem::path p = std::filesystem::temp_directory_path() /
                            ("pellory-editor-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(p);
  path_ = p.string();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

HostRecorder& HostRecorder::Get() {
  static HostRecorder recorder;
  return recorder;
}

void HostRecorder::Clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.clear();
}

void HostRecorder::Add(const HostCallRecord& call) {
  std::lock_guard<std::mutex> guard(mutex_);
  calls_.push_back(call);
}

std::vector<HostCallRecord> HostRecorder::Calls() {
  std::lock_guard<std::mutex> guard(mutex_);
  return calls_;
}

std::vector<std::pair<int, int>> HostRecorder::EditCalls() {
  std::vector<std::pair<int, int>> out;
  for (const HostCallRecord& c : Calls())
    if (c.opcode == vst2::audioMasterBeginEdit || c.opcode == vst2::audioMasterEndEdit ||
        c.opcode == vst2::audioMasterAutomate)
      out.emplace_back(c.opcode, c.index);
  return out;
}

int HostRecorder::Count(int opcode) {
  int n = 0;
  for (const HostCallRecord& c : Calls()) n += c.opcode == opcode;
  return n;
}

vst2::VstIntPtr VSTCALLBACK RecordingHost(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                          vst2::VstIntPtr value, void*, float opt) {
  HostRecorder::Get().Add({opcode, index, static_cast<long long>(value), opt});
  if (opcode == vst2::audioMasterVersion) return 2400;
  return 0;
}

Instance::Instance() {
  InstanceOptions options;
  options.configFolder = config.Path();
  options.documentsFolder = documents.Path();
  options.mtsLibraryPath = config.Path() + "/no-such-libMTS.so";
  plug = std::make_unique<EditorPlug>(options);
  HostRecorder::Get().Clear();
}

drawing::Pixel FrameColour(int k) { return drawing::MakePixel(255, (k * 37) & 0xFF, (k * 91) & 0xFF, k & 0xFF); }

drawing::Image MakeStrip(int n, int w, int h, bool horizontal) {
  drawing::Image image;
  image.width = horizontal ? w * n : w;
  image.height = horizontal ? h : h * n;
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const int frame = (horizontal ? x / w : y / h) + 1;
      image.pixels[static_cast<std::size_t>(y) * image.width + x] = FrameColour(frame);
    }
  return image;
}

bool RegisterPngResource(int id, const std::string& file) {
  // The registry keeps pointers: the bytes and names live as long as the process.
  static std::vector<std::unique_ptr<std::vector<unsigned char>>> bytes;
  static std::vector<std::unique_ptr<std::string>> names;
  static std::vector<std::unique_ptr<platform::ResourceEntry[]>> tables;
  std::ifstream in(std::string(PELLORY_TEST_DATA_DIR) + "/editor/" + file, std::ios::binary);
  auto data = std::make_unique<std::vector<unsigned char>>(std::istreambuf_iterator<char>(in),
                                                            std::istreambuf_iterator<char>());
  if (data->empty()) return false;
  auto name = std::make_unique<std::string>(std::to_string(id));
  auto table = std::make_unique<platform::ResourceEntry[]>(2);
  table[0] = {"PNG", name->c_str(), data->data(), static_cast<unsigned long>(data->size())};
  table[1] = {nullptr, nullptr, nullptr, 0};
  platform::RegisterResources(table.get());
  bytes.push_back(std::move(data));
  names.push_back(std::move(name));
  tables.push_back(std::move(table));
  return true;
}

}  // namespace pellory::edtest
