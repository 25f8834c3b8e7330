#include "ui/foundation/com_owner_win32.h"

#include <gtest/gtest.h>

#include <utility>

namespace tolzeb::ui {
namespace {

// An interface of the compiler's headers, counting its releases.
struct CountedUnknown : IUnknown {
  int releases = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases;
    return 1;
  }
};

// An interface declared by hand as a table of slots, IUnknown's three first.
struct HandDeclared;
struct HandDeclaredSlots {
  HRESULT(STDMETHODCALLTYPE* queryInterface)(HandDeclared*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* addRef)(HandDeclared*);
  ULONG(STDMETHODCALLTYPE* release)(HandDeclared*);
};
struct HandDeclared {
  const HandDeclaredSlots* vtbl;
  int releases = 0;
};

HRESULT STDMETHODCALLTYPE noInterface(HandDeclared*, REFIID, void** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE oneReference(HandDeclared*) { return 1; }
ULONG STDMETHODCALLTYPE countRelease(HandDeclared* self) { return ULONG(++self->releases); }
constexpr HandDeclaredSlots kHandDeclaredSlots{noInterface, oneReference, countRelease};

// Each way an owner can end gives one release per reference it took, through whichever table
// the interface has.
template <typename Interface>
void expectOneReleasePerReference(Interface& object) {
  struct Case {
    const char* what;
    int references;
    void (*use)(Interface&);
  };
  const Case cases[] = {
      {"end of scope", 1, [](Interface& o) { ComOwner<Interface> owner(&o); }},
      {"reset, then end of scope", 1,
       [](Interface& o) {
         ComOwner<Interface> owner(&o);
         owner.reset();
         EXPECT_FALSE(owner);
       }},
      {"moved into another owner", 1,
       [](Interface& o) {
         ComOwner<Interface> first(&o);
         ComOwner<Interface> second(std::move(first));
         EXPECT_FALSE(first);
         EXPECT_EQ(second.get(), &o);
       }},
      {"moved over an owner that held it already", 2,
       [](Interface& o) {
         ComOwner<Interface> kept(&o);
         kept = ComOwner<Interface>(&o);
         EXPECT_EQ(o.releases, 1) << "the overwritten reference goes at once";
       }},
      {"filled through out()", 1,
       [](Interface& o) {
         ComOwner<Interface> owner;
         *owner.out() = &o;
       }},
  };
  for (const Case& c : cases) {
    object.releases = 0;
    c.use(object);
    EXPECT_EQ(object.releases, c.references) << c.what;
  }
}

TEST(ComOwnerTest, ReleasesEachReferenceOnce) {
  CountedUnknown fromHeaders;
  expectOneReleasePerReference(fromHeaders);
  HandDeclared byHand{&kHandDeclaredSlots};
  expectOneReleasePerReference(byHand);
}

}  // namespace
}  // namespace tolzeb::ui
