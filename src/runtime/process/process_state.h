// The process's run-time state, in one owner: a typed slot for each module
// that keeps something from one call to the next (the settings, the error
// handler, the work areas, the console, ...), each slot's type known only to
// its module. reset_process_state() puts all of it back to how the process
// starts, at once.
#ifndef KX_RUNTIME_PROCESS_PROCESS_STATE_H_
#define KX_RUNTIME_PROCESS_PROCESS_STATE_H_

#include <memory>
#include <utility>
#include <vector>

namespace kx {

class ProcessState {
 public:
  ProcessState() = default;
  ~ProcessState();
  ProcessState(const ProcessState&) = delete;
  ProcessState& operator=(const ProcessState&) = delete;

  // The state of type T that a module keeps here: made (value-initialized)
  // on first use, destroyed by reset_process_state(), the most recently made
  // first. Each module keeps its state in a type of its own, so that no two
  // modules share a slot.
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
