#include "core/Pellory.h"

#include <cmath>

#include "editor/IGraphics.h"
#include "editor/PelloryEditor.h"
#include "engine/TuningClient.h"

namespace pellory {

namespace {
constexpr double kHighControlRate = 1000.0;
constexpr double kBitControlRate = 325.5;
}  // namespace

Pellory::Pellory(vst2::audioMasterCallback hostCallback, const InstanceOptions& options)
    : Synth(hostCallback, options, "0-2", "Pellory", "", "Velloran Music", kPelloryUniqueId, kPelloryMakerId,
            kPelloryVersion) {
  // The engine built its 64 voices (even ones lower, odd ones upper, all on LFO units 0 and 1).
  engine_.SetTuningClient(GetTuningClient());
  stateImageSize_ = kStateImageSize;
  if (!options.updateHost.empty()) updateServer_.host = options.updateHost;
  if (options.updatePort > 0) updateServer_.port = options.updatePort;
  if (options.updateTimeoutMs > 0) updateServer_.connectTimeoutMs = updateServer_.receiveTimeoutMs = options.updateTimeoutMs;
  ReadConfiguration();
  panelMode_ = startInEditMode ? 2 : 1;
  InitParameters();
  // The bank goes in before the preset slot is filled, so that the slot never holds an empty
  // program memory that a later reload of the slot would bring back.
  LoadFactoryBank(7);
  EnsureDefaultPresets("Pellory", 1);
  if (editor_) {
    // The panel is laid out once; the window comes and goes over the same controls.
    panel_ = std::make_unique<PelloryEditor>(*this, *editor_);
    SetProgramDialogs(panel_->Dialogs());
    AttachEditor(editor_.get());
  }
  startup_ = false;
}

Pellory::~Pellory() {
  // The program's questions went to the editor surface, which goes with Synth.
  SetProgramDialogs(nullptr);
}

void Pellory::Reset() {
  Synth::Reset();
  engine_.RestartControlBlock();
  if (appliedSampleRate_ != GetSampleRate()) {
    AllNotesOff();
    appliedSampleRate_ = GetSampleRate();
    engine_.SetSampleRate(appliedSampleRate_);
  }
  const IParameter* rate = GetParameter(kUpdateRate);
  const double controlRate = rate && rate->Value() >= 1.0 ? kBitControlRate : kHighControlRate;
  engine_.SetControlRate(controlRate);
}

void Pellory::ProcessBlock(double** inputs, double** outputs, int frames) {
  if (frames <= 0 || !outputs || !outputs[0] || !outputs[1]) return;
  engine_.Render(outputs[0], outputs[1], frames, *this);
}

void Pellory::OnControlBlockStart() { MidiDispatch(); }

void Pellory::OnRepeatCountdown() {
  // Audio thread, under the instance lock: only the countdown and two atomics are touched.
  // The step itself (parameters, host notification, editor) is taken by the editor's thread.
  if (repeatCode_.load(std::memory_order_relaxed) == 0) {
    engine_.ArmRepeat(-1);
    return;
  }
  repeatSteps_.fetch_add(1, std::memory_order_acq_rel);
  engine_.ArmRepeat(100);
}

void Pellory::ArmPanelRepeat(int code, int blocks) {
  platform::LockGuard guard(lock_);
  if (blocks < 0) {
    repeatCode_.store(0, std::memory_order_relaxed);
    repeatSteps_.store(0, std::memory_order_relaxed);
    engine_.ArmRepeat(-1);
    return;
  }
  repeatCode_.store(code, std::memory_order_relaxed);
  engine_.ArmRepeat(blocks);
}

void Pellory::SetEditorView(int view) {
  if (view != 0) panelMode_ = view == panelMode_ ? 1 : view;
  if (panel_) panel_->ApplyView();
}

void Pellory::HandleMidiMessage(const IMidiMessage& message) {
  if (midiThru) SendMidiMessage(message);
  if (message.status < 0x80 || message.status >= 0xF0) return;
  IMidiMessage m = message;
  // Any int is possible here; within the queue's horizon the adjustment below cannot overflow.
  m.offset = MidiQueue::ClampOffset(m.offset);
  const int length = ControlBlockLength();
  // Controllers and bends late in a buffer go to the nearest block start, not the previous one.
  auto adjust = [length](IMidiMessage& msg) {
    if (msg.offset > length) msg.offset += length / 2;
  };
  switch (m.Kind()) {
    case 0x8:
      midiQueue_.Add(m);
      break;
    case 0x9:
      if (m.data2 == 0) m.status = 0x80;
      midiQueue_.Add(m);
      break;
    case 0xB:
      if (m.data1 < kNumControllers) {
        if (learnArmed_) {
          learnedController_ = m.data1;
          MidiLearnStep();
        } else {
          if (m.data1 != 64) adjust(m);
          midiQueue_.Add(m);
        }
      } else if (m.data1 == 120 || m.data1 == 123) {
        AllNotesOff();
      }
      break;
    case 0xC: {
      if (ignoreProgramChange) break;
      const int p = m.data1 & 0x7F;
      const int number = p + 1 <= 99 ? p + 1 : p + 1 - 99;
      SetParameterAndNotify(kProgramNumber, number);
      break;
    }
    case 0xD:
    case 0xE:
      adjust(m);
      midiQueue_.Add(m);
      break;
    default:
      break;
  }
}

void Pellory::MidiDispatch() {
  const int length = ControlBlockLength();
  while (!midiQueue_.Empty()) {
    // Taken out before it acts: a mapped controller may switch the update rate, and the Reset
    // that follows reshapes the queue.
    const IMidiMessage m = midiQueue_.Peek();
    if (m.offset >= length) break;
    midiQueue_.Remove();
    switch (m.Kind()) {
      case 0x9:
        if (m.data2 > 0) {
          NoteOn(m.data1 & 0x7F, m.data2 & 0x7F);
          break;
        }
        NoteOff(m.data1 & 0x7F);
        break;
      case 0x8:
        NoteOff(m.data1 & 0x7F);
        break;
      case 0xB: {
        const double value = (m.data2 & 0x7F) / 127.0;
        if (m.data1 == 1) {
          engine_.SetModWheel(value);
        } else if (m.data1 == 64) {
          SetSustainPedal(value >= 0.5);
        } else {
          const int index = ControllerMapping(m.data1);
          IParameter* p = GetParameter(index);
          if (p && p->Value() != value) {
            SetParameterFromEditor(index, value);
            if (IGraphics* graphics = GetGraphics()) graphics->SetParameterFromPlugin(index, value, true);
          }
        }
        break;
      }
      case 0xE: {
        const double bend = ((m.data1 & 0x7F) + 128.0 * ((m.data2 & 0x7F) - 64)) / 8192.0;
        engine_.SetPitchBend(bend * engine_.PitchBendRange());
        break;
      }
      default:
        break;
    }
  }
  midiQueue_.Flush(length);
}

void Pellory::AllNotesOff() {
  heldNotes_.clear();
  sustain_ = false;
  engine_.AllNotesOff();
}

void Pellory::NoteOn(int note, int velocity) {
  // A tuning master may drop the note; then nothing happens at all, not even an LFO restart.
  const engine::TuningClient* tuning = engine_.GetTuningClient();
  if (tuning && tuning->ShouldFilterNote(note)) return;
  engine::KeyboardSetup keyboard;
  keyboard.mode = keyboardMode_;
  keyboard.splitKey = splitKey_;
  keyboard.upperTranspose = upperTranspose_;
  keyboard.unison = unison_;
  engine_.NoteOn(note, velocity, keyboard);
}

void Pellory::NoteOff(int note) { engine_.NoteOff(note); }

void Pellory::SetSustainPedal(bool down) {
  sustain_ = down;
  engine_.SetSustainPedal(down);
}

void Pellory::Idle() {
  // Deferred refresh after wholesale changes (program loads, commands): only while the editor
  // window is open, so a closed editor keeps the flag until it is next shown.
  // The editor's timer calls this on the interface thread while host threads may set the flag.
  platform::LockGuard guard(lock_);
  IGraphics* graphics = GetGraphics();
  if (!graphics || !graphics->IsWindowOpen() || !editorRefreshPending_) return;
  graphics->MarkAllControlsDirty();
  AnnounceAllParameters();
  RefreshEditorParameters();
  if (panel_) panel_->IdleRefresh();
  editorRefreshPending_ = false;
}

}  // namespace pellory
