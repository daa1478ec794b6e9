#pragma once

// A member's state held in a local for one block and written back at the end. The kernels store
// floats through the output pointers, which may alias any float member, so state read and written
// through `this` would round-trip memory every sample; a local whose address never escapes stays in
// registers. Audio thread.
template <class T> class WorkingCopy {
  public:
    explicit WorkingCopy(T& member) : home(member), value(member) {}
    ~WorkingCopy() { home = value; }
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;

    T& operator*() { return value; }
    T* operator->() { return &value; }

  private:
    T& home;
    T value;
};
