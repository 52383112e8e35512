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

// What both handle kinds share: ownership of one body through its count and
// pointer-like access. P is T for vcPtrHandle<T>, const T for
// vcPtrHandle_const<T>.
template <class P>
class vc_HandleBase {
  static_assert(std::is_base_of_v<vcRepBase, std::remove_const_t<P>>,
                "handles hold bodies derived from vcRepBase");

 public:
  P* get() const noexcept { return body_; }
  P* operator->() const noexcept { return body_; }
  P& operator*() const noexcept { return *body_; }
  bool isNull() const noexcept { return body_ == nullptr; }
  explicit operator bool() const noexcept { return body_ != nullptr; }

  // Drops this handle's share (deleting the body if it was the last one) and
  // takes shared ownership of body instead (null allowed).
  void reset(P* body = nullptr) noexcept { replace_(body); }

  // Two handles are equal when they share one body (or both are null).
  template <class Q>
  bool operator==(const vc_HandleBase<Q>& other) const noexcept {
    return body_ == other.get();
  }

 protected:
  vc_HandleBase() noexcept = default;
  explicit vc_HandleBase(P* body) noexcept : body_(body) {
    if (body_) body_->addRef_();
  }
  vc_HandleBase(const vc_HandleBase& other) noexcept : vc_HandleBase(other.body_) {}
  vc_HandleBase(vc_HandleBase&& other) noexcept : body_(std::exchange(other.body_, nullptr)) {}
  vc_HandleBase& operator=(const vc_HandleBase& other) noexcept {
    replace_(other.body_);
    return *this;
  }
  vc_HandleBase& operator=(vc_HandleBase&& other) noexcept {
    if (this != &other) drop_(std::exchange(body_, std::exchange(other.body_, nullptr)));
    return *this;
  }
  ~vc_HandleBase() { drop_(body_); }

 private:
  // Shares body, then lets go of the old one; in this order assigning a
  // handle its own body keeps the body alive.
  void replace_(P* body) noexcept {
    if (body) body->addRef_();
    drop_(std::exchange(body_, body));
  }
  static void drop_(P* body) noexcept {
    if (body && body->release_()) delete body;
  }

  P* body_ = nullptr;
};

// Shared owner of a body derived from vcRepBase. A default handle is null.
// Constness is shallow, as with a pointer: a const handle still gives a
// non-const body; use vcPtrHandle_const for read-only sharing.
template <class T>
class vcPtrHandle : public vc_HandleBase<T> {
 public:
  vcPtrHandle() noexcept = default;
  vcPtrHandle(std::nullptr_t) noexcept {}
  // Takes shared ownership of body (null allowed). Requires: body was made by
  // `new` (or is already owned by another handle).
  explicit vcPtrHandle(T* body) noexcept : vc_HandleBase<T>(body) {}
  // A handle to a derived class converts to a handle to its base.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  vcPtrHandle(const vcPtrHandle<U>& other) noexcept : vc_HandleBase<T>(other.get()) {}
};

// Read-only shared owner of a body derived from vcRepBase. It shares bodies
// with vcPtrHandle<T> (and with handles to derived classes) and counts in the
// same body.
template <class T>
class vcPtrHandle_const : public vc_HandleBase<const T> {
 public:
  vcPtrHandle_const() noexcept = default;
  vcPtrHandle_const(std::nullptr_t) noexcept {}
  // Takes shared ownership of body (null allowed). Requires: body was made by
  // `new` (or is already owned by another handle).
  explicit vcPtrHandle_const(const T* body) noexcept : vc_HandleBase<const T>(body) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<const U*, const T*>>>
  vcPtrHandle_const(const vcPtrHandle_const<U>& other) noexcept
      : vc_HandleBase<const T>(other.get()) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, const T*>>>
  vcPtrHandle_const(const vcPtrHandle<U>& other) noexcept : vc_HandleBase<const T>(other.get()) {}
};
