// Storage shared by the objects of the logging facility: objects that must
// outlive every static destructor, and heap objects made without throwing.
#pragma once

#include <cstddef>
#include <new>

#include "log/pmc_log.h"

// The single instance of T, built on first use in static storage and never
// destroyed: logging stays usable while other static objects are destroyed
// at process exit. A constructor that throws leaves it unbuilt; the next
// call tries again.
template <class T>
T& pmc_log_immortal() {
  alignas(T) static unsigned char storage[sizeof(T)];
  static T* const object = new (storage) T();
  return *object;
}

// Builds a T on the heap; null when memory (for the object or anything its
// constructor copies) runs out. Nothing throws out of the facility.
template <class T, class... Args>
T* pmc_log_new(Args&&... args) noexcept {
  try {
    return new T(static_cast<Args&&>(args)...);
  } catch (...) {
    return nullptr;
  }
}
