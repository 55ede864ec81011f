// The process's run-time state, in one owner: everything the runtime keeps
// from one call to the next, and typed slots where the layers above it keep
// theirs (work areas, the console, the control object, ...) without the
// runtime knowing their types. reset_process_state() puts all of it back to
// how the process starts, at once.
#ifndef KX_RUNTIME_PROCESS_PROCESS_STATE_H_
#define KX_RUNTIME_PROCESS_PROCESS_STATE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/errors/error_settings.h"
#include "runtime/errors/error_slot.h"
#include "runtime/errors/error_structure.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/process/settings.h"
#include "runtime/process/work_area_query.h"
#include "runtime/values/references.h"

namespace kx {

// One registered call of the activation stack (runtime/process/activation.h).
struct ActivationRecord {
  const char* name;
  const char* module;
  uint32_t line;
};

// A registered block of runtime/values/references.h.
struct ReferenceRecord {
  RefBlock block;
  RefKind kind;
};

// Each member belongs to the module named beside it, which alone reads and
// writes it through its own functions.
class ProcessState {
 public:
  ProcessState() = default;
  ~ProcessState();
  ProcessState(const ProcessState&) = delete;
  ProcessState& operator=(const ProcessState&) = delete;

  ConversionSettings settings;                         // runtime/process/settings.h
  ErrorSettings error_settings;                        // runtime/errors/error_settings.h
  std::vector<std::string> secrets;                    // runtime/process/secrets.h
  uint32_t last_file_error = 0;                        // runtime/errors/file_error.h
  bool network_error = false;                          // runtime/errors/network_error.h
  std::vector<std::function<void()>> exit_procedures;  // runtime/process/exit.h
  int exit_status = 0;                                 // runtime/process/exit.h
  std::vector<ActivationRecord> activations;           // runtime/process/activation.h
  int recovery_points = 0;                             // runtime/errors/break_out.h
  ErrorBlock error_handler;                            // runtime/errors/error_slot.h
  ErrorFactory error_factory;                          // runtime/errors/runtime_error.h
  ErrorStructureBytes static_error_structure{};        // runtime/errors/error_structure.h
  std::map<uint32_t, ReferenceRecord> references;      // runtime/values/references.h
  uint32_t last_reference_handle = 0;                  // runtime/values/references.h
  CurrentAreaQuery current_area_query;                 // runtime/process/work_area_query.h
  CloseAllHook close_all_hook;                         // runtime/process/work_area_query.h

  // The state of type T that a layer above the runtime keeps here: made
  // (value-initialized) on first use, destroyed by reset_process_state(),
  // the most recently made first. Each layer uses types of its own, so that
  // no two layers share a slot.
  template <class T>
  T& slot() {
    for (const Slot& s : slots_) {
      if (s.key == &SlotKey<T>::key) return *static_cast<T*>(s.value.get());
    }
    Slot made{&SlotKey<T>::key, Owned(new T(), [](void* p) { delete static_cast<T*>(p); })};
    slots_.push_back(std::move(made));
    return *static_cast<T*>(slots_.back().value.get());
  }

 private:
  // One address per type: what tells the slots apart.
  template <class T>
  struct SlotKey {
    static constexpr char key = 0;
  };
  using Owned = std::unique_ptr<void, void (*)(void*)>;
  struct Slot {
    const void* key;
    Owned value;
  };

  std::vector<Slot> slots_;
};

// The process's state. Stays valid until reset_process_state().
ProcessState& process_state();

// Replaces the process's state with a new one, as at process start, and
// then destroys the old one (its slots' destructors see the new state).
// Interned symbols are not run-time state and stay.
void reset_process_state();

}  // namespace kx

#endif  // KX_RUNTIME_PROCESS_PROCESS_STATE_H_
