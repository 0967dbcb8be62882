#pragma once
// The base of every wrapper class, and the forwarding machinery that turns one line
// per member into a call of the flat function of the same name.
//
// A forwarded member takes the flat function's arguments after its own handle:
//  - a wrapper object (or a pointer to one, which may be null) stands for its handle;
//  - a variable stands for a pointer to it (a record such as a RectF, or a result
//    the flat function writes); a temporary only where the function just reads it;
//  - a plain integer is accepted for an enumeration (modes, units, flags).
// Members that act return true exactly on Ok; members that read one value return the
// value (whatever GDI+ left in it on failure, 0 when it wrote nothing). Either way the
// status lands in LastStatus.
#include "gfx/flat.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace ornivex::gfx {

class GraphicsObject;

namespace detail {

// The parameter list of a flat function.
template <class F>
struct FlatSig;
template <class R, class... P>
struct FlatSig<R(WINGDIPAPI*)(P...)> {
  template <std::size_t I>
  using Param = std::tuple_element_t<I, std::tuple<P...>>;
  using Last = Param<sizeof...(P) - 1>;
  static constexpr std::size_t kCount = sizeof...(P);
};

// A wrapper object's handle with the GDI+ type of its class, so that a pen cannot
// be passed where a brush belongs (a solid brush may go where any brush does).
template <class W>
auto* NativeOf(const W& object) {
  return static_cast<typename W::NativeType*>(object.GetNative());
}

// Which of the rules above turns an argument of type A into the parameter P.
enum class ArgRule { Object, ObjectPointer, Address, Enum, Plain };

template <class P, class A>
constexpr ArgRule RuleFor() {
  using D = std::remove_cvref_t<A>;
  if constexpr (std::is_base_of_v<GraphicsObject, D>) {
    return ArgRule::Object;
  } else if constexpr (std::is_pointer_v<D> && std::is_base_of_v<GraphicsObject, std::remove_cv_t<std::remove_pointer_t<D>>>) {
    return ArgRule::ObjectPointer;
  } else if constexpr (std::is_pointer_v<P> && std::is_same_v<std::remove_cv_t<std::remove_pointer_t<P>>, D> &&
                       (std::is_lvalue_reference_v<A> || std::is_const_v<std::remove_pointer_t<P>>)) {
    return ArgRule::Address;  // a variable for a pointer; a temporary only where GDI+ just reads it
  } else if constexpr (std::is_enum_v<P> && std::is_integral_v<D>) {
    return ArgRule::Enum;
  } else {
    return ArgRule::Plain;
  }
}

// Turns one argument of a wrapper member into the flat function's parameter.
template <class P, class A>
P Arg(A&& a) {
  constexpr ArgRule rule = RuleFor<P, A>();
  if constexpr (rule == ArgRule::Object) {
    return NativeOf(a);
  } else if constexpr (rule == ArgRule::ObjectPointer) {
    return a ? P(NativeOf(*a)) : nullptr;
  } else if constexpr (rule == ArgRule::Address) {
    return &a;
  } else if constexpr (rule == ArgRule::Enum) {
    return static_cast<P>(a);
  } else {
    return std::forward<A>(a);
  }
}

// Whether the handle of a wrapper class W goes where a P belongs.
template <class W, class P>
constexpr bool HandleFits() {
  if constexpr (requires { typename W::NativeType; }) return std::is_convertible_v<typename W::NativeType*, P>;
  else return false;
}

// Whether Arg<P> accepts an A: the compile-time side of the same rules.
template <class P, class A>
constexpr bool ArgFits() {
  using D = std::remove_cvref_t<A>;
  constexpr ArgRule rule = RuleFor<P, A>();
  if constexpr (rule == ArgRule::Object) {
    return HandleFits<D, P>();
  } else if constexpr (rule == ArgRule::ObjectPointer) {
    return HandleFits<std::remove_cv_t<std::remove_pointer_t<D>>, P>();
  } else if constexpr (rule == ArgRule::Address || rule == ArgRule::Enum) {
    return true;
  } else {
    return std::is_convertible_v<A, P>;
  }
}

// Whether a flat function takes `skip` leading parameters, then one per A, then
// `extra` trailing ones.
template <class Fn, std::size_t skip, std::size_t extra, class... A>
constexpr bool Fits() {
  using Sig = FlatSig<Fn>;
  if constexpr (Sig::kCount != skip + sizeof...(A) + extra) {
    return false;
  } else {
    return []<std::size_t... I>(std::index_sequence<I...>) {
      return (ArgFits<typename Sig::template Param<I + skip>, A>() && ...);
    }(std::index_sequence_for<A...>{});
  }
}

}  // namespace detail

// Whether SetNative makes an object the owner of the handle it is given.
enum class Ownership {
  Take,   // the object deletes the handle (one it created, or one handed over)
  Share,  // another holder deletes it; this object only uses it
};

// Every wrapper class but MemoryStream and ToolTip derives from GraphicsObject. It
// holds one GDI+ handle (`Native`).
//
// Ownership: an object owns the handle it created (or was handed through SetNative
// with Ownership::Take) and deletes it when destroyed, unless it was deleted
// explicitly first or the GDI+ session it was made in has ended (a handle of an
// earlier session is never released into a later one). Objects cannot be copied
// by accident; ShallowCopyFrom (SetNative with Ownership::Share) is the one way to
// share a handle, and the copy made that way never deletes it on its own
// destruction (only one holder may delete a shared handle, and the copy's explicit
// delete member still works if the caller wants that holder to be the copy).
class GraphicsObject {
 public:
  GraphicsObject() = default;
  GraphicsObject(const GraphicsObject&) = delete;
  GraphicsObject& operator=(const GraphicsObject&) = delete;
  // Moving hands the handle (and its ownership) over; the source is left empty.
  GraphicsObject(GraphicsObject&& other) noexcept;
  GraphicsObject& operator=(GraphicsObject&& other) noexcept;
  virtual ~GraphicsObject() = default;  // each class releases its handle in its own destructor

  // The handle as an untyped pointer.
  virtual void* GetNative() const { return native_; }
  // Holds `handle`, as its owner or not as `ownership` says. A different live
  // handle this object owned is released first, so re-creating an object never
  // leaks the old handle.
  virtual void SetNative(void* handle, Ownership ownership);
  // Shares `other`'s handle without taking ownership of it (see above).
  virtual void ShallowCopyFrom(const GraphicsObject& other);
  // Blocks from the GDI+ heap.
  virtual void* Alloc(std::size_t bytes);
  virtual void Free(void* block);

  // Gives the handle up without deleting it; the object is empty afterwards. (An
  // Image loaded from bytes keeps its stream: detach only what does not need it.)
  void* Detach();
  bool Empty() const { return native_ == nullptr; }
  // True while this object owns a handle of the running GDI+ session.
  bool OwnsNative() const { return owns_ && native_ != nullptr && OfRunningSession(); }

 protected:
  // Called with every handle SetNative stores; does nothing unless a class needs it.
  virtual void OnSetNative(void* handle) {}
  // Calls the class's delete function on the handle.
  virtual GpStatus DestroyNative() = 0;

  // The body of every deleting member: false without a GDI+ call when empty or
  // when the handle's session has ended (GdiplusNotInitialized), otherwise the
  // delete function's result; the object is empty afterwards.
  bool DeleteNative();
  // For destructors: releases an owned handle while GDI+ is still running.
  void ReleaseOwned() noexcept;

  template <class T>
  T Handle() const {
    return static_cast<T>(native_);
  }

  // Calls `fn(handle, args...)`; true on Ok.
  template <class Fn, class... A>
  bool Act(Fn fn, A&&... a) {
    using Sig = detail::FlatSig<Fn>;
    static_assert(Sig::kCount == sizeof...(A) + 1, "wrong number of arguments for the flat function");
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return StoreStatus(fn(Handle<typename Sig::template Param<0>>(),
                            detail::Arg<typename Sig::template Param<I + 1>>(std::forward<A>(a))...));
    }(std::index_sequence_for<A...>{});
  }

  // Calls `fn(handle, args..., &value)` and returns the value.
  template <class Fn, class... A>
  auto Get(Fn fn, A&&... a) {
    using Sig = detail::FlatSig<Fn>;
    static_assert(Sig::kCount == sizeof...(A) + 2, "wrong number of arguments for the flat function");
    std::remove_pointer_t<typename Sig::Last> value{};
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      StoreStatus(fn(Handle<typename Sig::template Param<0>>(),
                     detail::Arg<typename Sig::template Param<I + 1>>(std::forward<A>(a))..., &value));
    }(std::index_sequence_for<A...>{});
    return value;
  }

  // Calls `fn(args..., &handle)` and takes the new handle (0 after a failure).
  template <class Fn, class... A>
  bool New(Fn fn, A&&... a) {
    using Sig = detail::FlatSig<Fn>;
    static_assert(Sig::kCount == sizeof...(A) + 1, "wrong number of arguments for the flat function");
    std::remove_pointer_t<typename Sig::Last> handle{};
    const GpStatus status = [&]<std::size_t... I>(std::index_sequence<I...>) {
      return fn(detail::Arg<typename Sig::template Param<I>>(std::forward<A>(a))..., &handle);
    }(std::index_sequence_for<A...>{});
    SetNative(const_cast<void*>(static_cast<const void*>(handle)), Ownership::Take);
    return StoreStatus(status);
  }

  // Applies `op` about the centre (x, y) with `translate`: appended, it is
  // translate(-x, -y), op, translate(x, y); prepended, translate(x, y), op,
  // translate(-x, -y); every step with the caller's order.
  template <class TranslateFn, class Op>
  bool AboutPoint(TranslateFn translate, REAL x, REAL y, Gdiplus::MatrixOrder order, Op op) {
    const REAL s = order == Gdiplus::MatrixOrderAppend ? -1.0f : 1.0f;
    return Act(translate, s * x, s * y, order) && op() && Act(translate, -s * x, -s * y, order);
  }

 private:
  bool OfRunningSession() const { return GdiplusRunning() && session_ == GdiplusSession(); }

  void* native_ = nullptr;
  bool owns_ = false;
  std::uint32_t session_ = 0;  // the GDI+ session the handle belongs to
};

namespace detail {

// Count-then-fetch: asks `count` for the element count, sizes `out` (zeroed) and
// lets `fetch` fill it. An empty result is a success only when the count call was.
// `count` writes an INT, or the integer type given as N (a size or count in UINT).
template <class N = INT, class T, class CountFn, class FetchFn>
bool FetchArray(std::vector<T>& out, CountFn count, FetchFn fetch) {
  N n = 0;
  out.clear();
  if (!StoreStatus(count(&n)) || n <= 0 || n > static_cast<N>(INT_MAX)) return LastStatus == Gdiplus::Ok;
  out.assign(static_cast<std::size_t>(n), T{});
  if (StoreStatus(fetch(out.data(), static_cast<INT>(n)))) return true;
  out.clear();
  return false;
}

}  // namespace detail

// One line per forwarded member. ACT: action (bool). GET: reads one value. NEW:
// creates this object's handle. The _AS forms wrap a flat function of another name.
// A call whose arguments do not fit the flat function (a pen where a brush belongs,
// a missing argument) does not compile.
#define GFX_ACT_AS(member, flat)                                                          \
  template <class... A>                                                                   \
    requires(::ornivex::gfx::detail::Fits<decltype(::ornivex::gfx::g_flat.flat), 1, 0, A...>()) \
  bool member(A&&... a) {                                                                 \
    return Act(::ornivex::gfx::g_flat.flat, std::forward<A>(a)...);                       \
  }
#define GFX_GET_AS(member, flat)                                                          \
  template <class... A>                                                                   \
    requires(::ornivex::gfx::detail::Fits<decltype(::ornivex::gfx::g_flat.flat), 1, 1, A...>()) \
  auto member(A&&... a) {                                                                 \
    return Get(::ornivex::gfx::g_flat.flat, std::forward<A>(a)...);                       \
  }
#define GFX_NEW_AS(member, flat)                                                          \
  template <class... A>                                                                   \
    requires(::ornivex::gfx::detail::Fits<decltype(::ornivex::gfx::g_flat.flat), 0, 1, A...>()) \
  bool member(A&&... a) {                                                                 \
    return New(::ornivex::gfx::g_flat.flat, std::forward<A>(a)...);                       \
  }
#define GFX_ACT(name) GFX_ACT_AS(name, Gdip##name)
#define GFX_GET(name) GFX_GET_AS(name, Gdip##name)
#define GFX_NEW(name) GFX_NEW_AS(name, Gdip##name)

// The transform members every transformable class has, named after its kind X
// (World, Pen, Line, PathGradient): SetXTransform, GetXTransform, ResetXTransform,
// MultiplyXTransform, TranslateXTransform, ScaleXTransform, RotateXTransform, and
// ScaleXTransformAt(sx, sy, x, y, order) and RotateXTransformAt(angle, x, y, order),
// the scale or rotation about the centre (x, y).
#define GFX_TRANSFORM(kind)                                                                             \
  GFX_ACT(Set##kind##Transform)                                                                         \
  GFX_ACT(Get##kind##Transform)                                                                         \
  GFX_ACT(Reset##kind##Transform)                                                                       \
  GFX_ACT(Multiply##kind##Transform)                                                                    \
  GFX_ACT(Translate##kind##Transform)                                                                   \
  GFX_ACT(Scale##kind##Transform)                                                                       \
  GFX_ACT(Rotate##kind##Transform)                                                                      \
  bool Scale##kind##TransformAt(REAL sx, REAL sy, REAL x, REAL y,                                       \
                                Gdiplus::MatrixOrder order = Gdiplus::MatrixOrderPrepend) {             \
    return AboutPoint(::ornivex::gfx::g_flat.GdipTranslate##kind##Transform, x, y, order,              \
                      [&] { return Act(::ornivex::gfx::g_flat.GdipScale##kind##Transform, sx, sy, order); }); \
  }                                                                                                     \
  bool Rotate##kind##TransformAt(REAL angle, REAL x, REAL y,                                            \
                                 Gdiplus::MatrixOrder order = Gdiplus::MatrixOrderPrepend) {            \
    return AboutPoint(::ornivex::gfx::g_flat.GdipTranslate##kind##Transform, x, y, order,              \
                      [&] { return Act(::ornivex::gfx::g_flat.GdipRotate##kind##Transform, angle, order); }); \
  }

// The deleting member of a class: `member` calls `Gdip<member>` once, and again
// returns false without a GDI+ call. The destructor releases what is still owned.
#define GFX_DELETER(cls, member)                                                  \
 public:                                                                          \
  cls() = default;                                                                \
  cls(cls&&) noexcept = default;                                                  \
  cls& operator=(cls&&) noexcept = default;                                       \
  ~cls() override { ReleaseOwned(); }                                             \
  bool member() { return DeleteNative(); }                                        \
                                                                                  \
 protected:                                                                       \
  GpStatus DestroyNative() override {                                             \
    using Sig = ::ornivex::gfx::detail::FlatSig<decltype(::ornivex::gfx::g_flat.Gdip##member)>; \
    return ::ornivex::gfx::g_flat.Gdip##member(Handle<typename Sig::template Param<0>>()); \
  }                                                                               \
                                                                                  \
 public:

// Helpers used by the text members.

// Program text (GBK) as UTF-16, up to its first zero byte; empty text stays empty.
std::wstring TextToWide(std::string_view text);
// UTF-16 held in a byte buffer (the W members), up to its first zero character.
std::wstring BytesToWide(std::string_view utf16Bytes);
// GUIDs as brace text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and back.
std::string GuidToText(const GUID& guid);
bool TextToGuid(std::string_view text, GUID& guid);

}  // namespace ornivex::gfx
