#pragma once

// Shared, reference-counted bodies and the handles that own them.
//
// A class whose objects are shared (templates, correspondence models, voting
// tables, edgelet-map caches) derives from vcRepBase. Objects are created with
// `new` and handed to a vcPtrHandle<T> at once; every copy of the handle shares
// the body, and the last handle to let go deletes it through vcRepBase's
// virtual destructor. vcPtrHandle_const<T> shares the same body read-only.
//
//   vcPtrHandle<vcModel> model(new vcModel(...));   // count 1
//   vcPtrHandle<vcModel> other = model;             // count 2, same body
//   vcPtrHandle_const<vcModel> view = model;        // count 3, read-only
//   model->configure(...);
//   // the body is deleted when model, other and view are all gone
//
// The count lives in the body, so a handle may also be made from a raw
// pointer that another handle already owns. Counts change atomically, which
// makes handles to one body safe to copy and destroy on several threads; the
// bodies themselves are not made thread-safe by this.

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

// Base of every reference-counted body.
class vcRepBase {
 public:
  vcRepBase() noexcept = default;
  // A copied body is a new object: it starts with no owners of its own.
  vcRepBase(const vcRepBase&) noexcept {}
  vcRepBase& operator=(const vcRepBase&) noexcept { return *this; }
  virtual ~vcRepBase() = default;

  // Number of handles that currently own this body.
  long refCount() const noexcept { return count_.load(std::memory_order_acquire); }

  // Count maintenance for the handles. addRef_ adds one owner; release_
  // removes one and returns true when that was the last owner, in which case
  // the caller deletes the body.
  void addRef_() const noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  bool release_() const noexcept { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }

 private:
  mutable std::atomic<long> count_{0};
};

// Shared owner of a body derived from vcRepBase. A default handle is null.
// Constness is shallow, as with a pointer: a const handle still gives a
// non-const body; use vcPtrHandle_const for read-only sharing.
template <class T>
class vcPtrHandle {
  static_assert(std::is_base_of_v<vcRepBase, T>, "vcPtrHandle<T> requires T derived from vcRepBase");

 public:
  vcPtrHandle() noexcept = default;
  vcPtrHandle(std::nullptr_t) noexcept {}
  // Takes shared ownership of body (null allowed). Requires: body was made by
  // `new` (or is already owned by another handle).
  explicit vcPtrHandle(T* body) noexcept : body_(body) { acquire_(); }
  vcPtrHandle(const vcPtrHandle& other) noexcept : body_(other.body_) { acquire_(); }
  vcPtrHandle(vcPtrHandle&& other) noexcept : body_(std::exchange(other.body_, nullptr)) {}
  // A handle to a derived class converts to a handle to its base.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  vcPtrHandle(const vcPtrHandle<U>& other) noexcept : body_(other.get()) {
    acquire_();
  }
  ~vcPtrHandle() { release_(); }

  vcPtrHandle& operator=(vcPtrHandle other) noexcept {
    std::swap(body_, other.body_);
    return *this;
  }

  // Drops this handle's share (deleting the body if it was the last one) and
  // takes shared ownership of body instead.
  void reset(T* body = nullptr) { *this = vcPtrHandle(body); }

  T* get() const noexcept { return body_; }
  T* operator->() const noexcept { return body_; }
  T& operator*() const noexcept { return *body_; }
  bool isNull() const noexcept { return body_ == nullptr; }
  explicit operator bool() const noexcept { return body_ != nullptr; }

  // Two handles are equal when they share one body (or both are null).
  template <class U>
  bool operator==(const vcPtrHandle<U>& other) const noexcept {
    return body_ == other.get();
  }

 private:
  void acquire_() noexcept {
    if (body_) body_->addRef_();
  }
  void release_() noexcept {
    if (body_ && body_->release_()) delete body_;
    body_ = nullptr;
  }

  T* body_ = nullptr;
};

// Read-only shared owner of a body derived from vcRepBase. It shares bodies
// with vcPtrHandle<T> (and with handles to derived classes) and counts in the
// same body.
template <class T>
class vcPtrHandle_const {
  static_assert(std::is_base_of_v<vcRepBase, T>,
                "vcPtrHandle_const<T> requires T derived from vcRepBase");

 public:
  vcPtrHandle_const() noexcept = default;
  vcPtrHandle_const(std::nullptr_t) noexcept {}
  // Takes shared ownership of body (null allowed). Requires: body was made by
  // `new` (or is already owned by another handle).
  explicit vcPtrHandle_const(const T* body) noexcept : body_(body) { acquire_(); }
  vcPtrHandle_const(const vcPtrHandle_const& other) noexcept : body_(other.body_) { acquire_(); }
  vcPtrHandle_const(vcPtrHandle_const&& other) noexcept
      : body_(std::exchange(other.body_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<const U*, const T*>>>
  vcPtrHandle_const(const vcPtrHandle_const<U>& other) noexcept : body_(other.get()) {
    acquire_();
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, const T*>>>
  vcPtrHandle_const(const vcPtrHandle<U>& other) noexcept : body_(other.get()) {
    acquire_();
  }
  ~vcPtrHandle_const() { release_(); }

  vcPtrHandle_const& operator=(vcPtrHandle_const other) noexcept {
    std::swap(body_, other.body_);
    return *this;
  }

  void reset(const T* body = nullptr) { *this = vcPtrHandle_const(body); }

  const T* get() const noexcept { return body_; }
  const T* operator->() const noexcept { return body_; }
  const T& operator*() const noexcept { return *body_; }
  bool isNull() const noexcept { return body_ == nullptr; }
  explicit operator bool() const noexcept { return body_ != nullptr; }

  template <class U>
  bool operator==(const vcPtrHandle_const<U>& other) const noexcept {
    return body_ == other.get();
  }
  template <class U>
  bool operator==(const vcPtrHandle<U>& other) const noexcept {
    return body_ == other.get();
  }

 private:
  void acquire_() noexcept {
    if (body_) body_->addRef_();
  }
  void release_() noexcept {
    if (body_ && body_->release_()) delete body_;
    body_ = nullptr;
  }

  const T* body_ = nullptr;
};
