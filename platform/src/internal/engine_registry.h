// The live objects of one kind that the stand-in engine has handed out. The engine services
// take the driver's pointer back; they look it up here first, so a stale or foreign pointer is
// refused instead of being read through.
#pragma once

#include <mutex>
#include <unordered_map>

namespace plat::engine {

template <typename Object>
class LiveObjects {
 public:
  void Add(const void* key, Object* object) {
    std::lock_guard<std::mutex> guard(lock_);
    objects_[key] = object;
  }
  // Forgets the object and answers it (nullptr when it was not live), for the caller to delete.
  Object* Remove(const void* key) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = objects_.find(key);
    if (it == objects_.end()) return nullptr;
    Object* object = it->second;
    objects_.erase(it);
    return object;
  }
  Object* Find(const void* key) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = objects_.find(key);
    return it == objects_.end() ? nullptr : it->second;
  }

 private:
  mutable std::mutex lock_;
  std::unordered_map<const void*, Object*> objects_;
};

// One table per kind, alive for the whole process (objects may be deleted from static
// destructors of callers).
template <typename Object>
LiveObjects<Object>& Live() {
  static LiveObjects<Object>* table = new LiveObjects<Object>;
  return *table;
}

}  // namespace plat::engine
