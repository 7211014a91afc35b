#include "kelvra/Kelvra.Types.h"

#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

#include "kelvra/Kelvra.SysUtils.h"

namespace kelvra {
namespace {

TEST(TGUID, ParsesAtCompileTimeAndPrintsBack) {
  constexpr TGUID g = TGUID::Parse("{0A1b2C3d-4E5F-6789-ABCD-EF0123456789}");
  static_assert(g.D1 == 0x0A1B2C3D && g.D2 == 0x4E5F && g.D3 == 0x6789);
  static_assert(g.D4[0] == 0xAB && g.D4[7] == 0x89);
  EXPECT_EQ(g.ToString(), "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}");
  EXPECT_EQ(TGUID::Parse(g.ToString()), g);
}

TEST(TGUID, ComparesAndHashesByValue) {
  const TGUID a = TGUID::Parse("{00000001-0000-0000-0000-000000000000}");
  const TGUID b = TGUID::Parse("{00000000-0000-0000-0000-000000000001}");
  EXPECT_NE(a, b);
  EXPECT_TRUE(b < a);
  std::unordered_set<TGUID, TGUIDHash> set = {a, b, a};
  EXPECT_EQ(set.size(), 2u);
}

TEST(TGUID, MalformedTextRaisesConvertError) {
  for (const char* bad : {"", "{00000000-0000-0000-0000-00000000000}", "00000000-0000-0000-0000-0000000000000",
                          "{0000000G-0000-0000-0000-000000000000}", "{00000000+0000-0000-0000-000000000000}"})
    EXPECT_THROW(TGUID::Parse(bad), EConvertError) << bad;
}

class IShape : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{6E2C1F0A-1D3B-4C5E-8F70-A1B2C3D4E5F6}");
  virtual int Corners() const = 0;
};

class IColored : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{6E2C1F0A-1D3B-4C5E-8F70-A1B2C3D4E5F7}");
};

class IUnrelated : public virtual IInterface {
 public:
  static constexpr TGUID IID = TGUID::Parse("{6E2C1F0A-1D3B-4C5E-8F70-A1B2C3D4E5F8}");
};

int liveSquares = 0;

class TSquare : public TInterfacedObject, public IShape, public IColored {
 public:
  static TIntf<IShape> Create() { return new TSquare(); }
  int Corners() const override { return 4; }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TSquare, IShape, IColored>(this, iid, out);
  }

 private:
  TSquare() { ++liveSquares; }
  ~TSquare() override { --liveSquares; }
};

TEST(TIntf, CopiesShareAndTheLastReleaseDeletes) {
  {
    TIntf<IShape> a = TSquare::Create();
    EXPECT_EQ(liveSquares, 1);
    TIntf<IShape> b = a;
    TIntf<IShape> c = std::move(b);
    EXPECT_FALSE(b);
    a.reset();
    EXPECT_EQ(liveSquares, 1);
    EXPECT_EQ(c->Corners(), 4);
  }
  EXPECT_EQ(liveSquares, 0);
}

TEST(Supports, AnswersListedInterfacesOnly) {
  TIntf<IShape> shape = TSquare::Create();
  TIntf<IColored> colored = Supports<IColored>(shape);
  ASSERT_TRUE(colored);
  TIntf<IShape> back = Supports<IShape>(colored);
  EXPECT_EQ(back.get(), shape.get());
  // Every object answers the root interface, the same pointer whichever interface is asked.
  EXPECT_EQ(Supports<IInterface>(shape).get(), Supports<IInterface>(colored).get());
  EXPECT_FALSE(Supports<IUnrelated>(shape));
  EXPECT_FALSE(Supports<IShape>(TIntf<IColored>()));
  shape.reset();
  colored.reset();
  EXPECT_EQ(liveSquares, 1);
  back.reset();
  EXPECT_EQ(liveSquares, 0);
}

// A class can list only interfaces it derives from: a list naming another does not compile.
struct TListProbe : TInterfacedObject {
  using TInterfacedBase::AnswerInterfaces;
};
template <class Self, class... Is>
concept Listable = requires(Self* self, void** out) {
  TListProbe::AnswerInterfaces<Self, Is...>(self, IInterface::IID, out);
};
static_assert(Listable<TSquare, IShape, IColored>);
static_assert(!Listable<TSquare, IShape, IUnrelated>);

// An owned object: answers queries, but references do not keep it alive and it has no count.
class TOwnedShape : public TNoRefCountObject, public IShape {
 public:
  explicit TOwnedShape(bool& destroyed) : destroyed_(destroyed) {}
  ~TOwnedShape() override { destroyed_ = true; }
  int Corners() const override { return 3; }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TOwnedShape, IShape>(this, iid, out);
  }

 private:
  bool& destroyed_;
};

static_assert(sizeof(TNoRefCountObject) == sizeof(void*), "only the table pointer, no count");

TEST(TNoRefCountObject, TheOwnerAloneEndsItsLife) {
  bool destroyed = false;
  auto owner = std::make_unique<TOwnedShape>(destroyed);
  {
    TIntf<IShape> shape = Supports<IShape>(static_cast<IInterface*>(owner.get()));
    ASSERT_TRUE(shape);
    TIntf<IShape> copy = shape;
    EXPECT_EQ(copy->Corners(), 3);
    EXPECT_FALSE(Supports<IColored>(copy));
  }
  EXPECT_FALSE(destroyed);  // the last reference went, the object stays
  owner.reset();
  EXPECT_TRUE(destroyed);
}

TEST(Assertions, MessageNamesUnitAndLine) {
  try {
    KELVRA_ASSERT(1 + 1 == 3);
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(std::string(e.what()),
              "Assertion failure (Kelvra.TypesTest.cpp, line " + std::to_string(__LINE__ - 4) + ")");
  }
}

}  // namespace
}  // namespace kelvra
