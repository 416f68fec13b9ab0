// An owning pointer to a reference-counted device object: holds one
// reference and gives it back when it is reset, replaced or destroyed.
//
// The show releases its objects explicitly and in a fixed order at
// shutdown (texture bank, glow object, sections, device); Reset() is that
// explicit release, and the destructor only catches what an early return
// left behind.
#pragma once

#include <cstddef>
#include <utility>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Adopts a reference the caller already holds (no AddRef).
  explicit ComPtr(T* object) : object_(object) {}
  ~ComPtr() { Reset(); }

  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : object_(other.Detach()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = other.Detach();
    }
    return *this;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  friend bool operator==(const ComPtr& p, std::nullptr_t) {
    return p.object_ == nullptr;
  }

  // Gives back the reference (if any) and forgets the pointer; safe to
  // call again.
  void Reset() {
    if (T* object = std::exchange(object_, nullptr)) object->Release();
  }
  // The out-parameter of a creation call: whatever was held is given back
  // first, so a second creation into the same pointer does not leak.
  T** Receive() {
    Reset();
    return &object_;
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(object_, nullptr); }

 private:
  T* object_ = nullptr;
};
