#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using BlockBufferTest = BufferTest;
using MatrixBufferTest = BufferTest;
using BufferListTest = BufferTest;
using TBlock = kelvra::TIntf<IKDBlockBuffer>;
using TMatrix = kelvra::TIntf<IKDRealMatrixBuffer>;
using TArray = kelvra::TIntf<IKDRealBufferArray>;

TBlock Block(std::vector<uint8_t> bytes) { return TKDBlockBuffer::CreateArray(bytes); }

std::vector<uint8_t> Bytes(const TBlock& block) {
  return std::vector<uint8_t>(block->GetEnumerator().begin(), block->GetEnumerator().end());
}

std::vector<double> Cells(const TMatrix& matrix) {
  return std::vector<double>(matrix->Read(), matrix->Read() + matrix->GetSize());
}

std::string RangeMessage(const std::function<void()>& action) {
  return MessageOf<kelvra::ERangeError>(action);
}

// ---------------------------------------------------------------------------------------------
// Block buffer

TEST_F(BlockBufferTest, AppendAndRemoveEditByteRanges) {
  TBlock block = Block({1, 2, 3, 4, 5});
  TBlock keeper = TKDBlockBuffer::CreateCopy(block);
  block->Remove(1, 2);
  EXPECT_EQ(Bytes(block), (std::vector<uint8_t>{1, 4, 5}));
  EXPECT_EQ(Bytes(keeper), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  block->Remove(3, 0);
  EXPECT_EQ(Bytes(block), (std::vector<uint8_t>{1, 4, 5}));
  EXPECT_THROW(keeper->Remove(3, 10), kelvra::EAssertionFailed);
  EXPECT_THROW(keeper->Remove(-1, 1), kelvra::EAssertionFailed);
  EXPECT_EQ(Bytes(keeper), (std::vector<uint8_t>{1, 2, 3, 4, 5}));

  TBlock empty = TKDBlockBuffer::Create();
  empty->Append(Real({1, 2, 3}));
  ASSERT_EQ(empty->GetSize(), 24u);
  EXPECT_EQ(std::memcmp(empty->Read(), Real({1, 2, 3})->Read(), 24), 0);
  TBlock twice = Block({7, 8});
  twice->Append(twice);
  EXPECT_EQ(Bytes(twice), (std::vector<uint8_t>{7, 8, 7, 8}));
  TBlock shared = TKDBlockBuffer::CreateCopy(twice);
  shared->Append(TKDBlockBuffer::Create());  // nothing to append: nothing changes
  EXPECT_EQ(Bytes(shared), (std::vector<uint8_t>{7, 8, 7, 8}));
}

TEST_F(BlockBufferTest, ByteArithmeticSaturatesAndDivisionByZeroStops) {
  TBlock a = Block({250, 10, 9, 100});
  a->Add(Block({10, 5}));
  a->Subtract(Block({0, 20}));
  a->Multiply(Block({1, 1, 30}));
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{255, 0, 255, 100}));
  EXPECT_THROW(a->Divide(Block({5, 1, 0, 1})), kelvra::EDivByZero);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{51, 0, 255, 100}));
  a->SetValue(3);
  EXPECT_TRUE(a->IsEqualToValue(3));
  a->Zero();
  EXPECT_TRUE(a->IsEqualToValue(0));
  EXPECT_THROW(a->GetItem(4), kelvra::ERangeError);
  EXPECT_THROW(a->SetItem(4, 0), kelvra::ERangeError);
}

TEST_F(BlockBufferTest, UniversalSharesBlocksAndCopiesOtherBuffers) {
  TBlock block = Block({1, 2});
  EXPECT_EQ(TKDBlockBuffer::CreateUniversal(block)->Read(), block->Read());
  TBuffer real = Real({1});
  TBlock bytes = TKDBlockBuffer::CreateUniversal(real);
  EXPECT_EQ(bytes->GetSize(), 8u);
  EXPECT_NE(bytes->ByteRead(), real->ByteRead());
  EXPECT_EQ(TKDBlockBuffer::CreateValue(3, 9)->GetItem(2), 9);
  EXPECT_FALSE(bytes->IsEqual(real));
}

// ---------------------------------------------------------------------------------------------
// Matrix buffer

TEST_F(MatrixBufferTest, CellsAreRowMajorAndTheColumnIsTestedFirst) {
  const double values[] = {1, 2, 3, 4, 5, 6};
  TMatrix m = TKDRealMatrixBuffer::CreateData(values, 2, 3);
  EXPECT_EQ(m->GetItem(1, 0), 4);
  EXPECT_EQ(m->GetCell(0, 2), 3);
  EXPECT_EQ(RangeMessage([&] { m->GetItem(1, 3); }), "Column out of range = 3");
  EXPECT_EQ(RangeMessage([&] { m->GetItem(2, 0); }), "Row out of range = 2");
  EXPECT_EQ(RangeMessage([&] { m->GetItem(2, 3); }), "Column out of range = 3");
  EXPECT_EQ(RangeMessage([&] { m->SetCell(-1, 0, 0); }), "Row out of range = 4294967295");
  EXPECT_EQ(RangeMessage([&] { m->GetRow(2); }), "Row out of range = 2");
  EXPECT_EQ(RangeMessage([&] { m->SetRow(5, Real({})); }), "Row out of range = 5");
  EXPECT_EQ(m->GetCount(), 2);
  EXPECT_EQ(m->GetMaxSize(), 3u);
  EXPECT_EQ(m->GetColCount(1), 3u);
  EXPECT_EQ(m->Data({})->GetCols(), 3u);
  EXPECT_EQ(m->Data({})->GetRows(), 2u);
}

TEST_F(MatrixBufferTest, SetRowCopiesAtMostTheColumnsAndDetachesFirst) {
  TMatrix m = TKDRealMatrixBuffer::CreateValue(1, 2, 3);
  TMatrix copy = TKDRealMatrixBuffer::CreateCopy(m);
  m->SetRow(0, Real({9, 9, 9, 9, 9}));
  m->SetItem(1, Real({7}));
  EXPECT_EQ(Cells(m), (std::vector<double>{9, 9, 9, 7, 1, 1}));
  EXPECT_EQ(Cells(copy), (std::vector<double>(6, 1)));
  EXPECT_EQ(Values(m->GetItem(1)), (std::vector<double>{7, 1, 1}));
  std::vector<std::vector<double>> rows;
  for (auto rowsOf = m->GetEnumerator(); rowsOf.MoveNext();) rows.push_back(Values(rowsOf.GetCurrent()));
  EXPECT_EQ(rows, (std::vector<std::vector<double>>{{9, 9, 9}, {7, 1, 1}}));
}

TEST_F(MatrixBufferTest, RowArithmeticWithTheDivisionFixUp) {
  TMatrix m = TKDRealMatrixBuffer::CreateValue(6, 3, 2);
  const TBuffer rows[] = {Real({2, 3}), Real({0})};
  TArray list = TKDRealBufferList::CreateData(rows);
  m->Divide(list);
  EXPECT_EQ(Cells(m), (std::vector<double>{3, 2, 1e15, 6, 6, 6}));
  m->Add(list);
  m->Multiply(list);
  m->Subtract(list);
  EXPECT_EQ(Cells(m), (std::vector<double>{8, 12, 0, 6, 6, 6}));
  m->MultiplyValue(0.5);
  m->AddValue(1);
  m->SubtractValue(2);
  m->DivideValue(-1);
  EXPECT_EQ(Cells(m), (std::vector<double>{-3, -5, 1, -2, -2, -2}));
  m->SetValue(4);
  EXPECT_EQ(Cells(m), (std::vector<double>(6, 4)));
  m->Zero();
  EXPECT_EQ(Cells(m), (std::vector<double>(6, 0)));
}

TEST_F(MatrixBufferTest, ResizeCopiesBytesNotRows) {
  const double values[] = {1, 2, 3, 4, 5, 6};
  TMatrix m = TKDRealMatrixBuffer::CreateData(values, 2, 3);
  EXPECT_FALSE(m->Resize(2, 3, true));
  EXPECT_TRUE(m->Resize(3, 2, true));
  EXPECT_EQ(m->GetItem(1, 0), 3);
  EXPECT_TRUE(m->Resize(2, 4, true));
  EXPECT_EQ(Cells(m), (std::vector<double>{1, 2, 3, 4, 5, 6, 0, 0}));
  EXPECT_TRUE(m->Resize(0, 4, true));
  EXPECT_EQ(m->GetSize(), 0u);
  EXPECT_EQ(m->GetByteSize(), 0u);
  EXPECT_EQ(m->GetCols(), 4u);
}

TEST_F(MatrixBufferTest, UniversalTakesMatricesArraysAndPlainBuffers) {
  const TBuffer rows[] = {Real({1, 2}), Real({3, 4, 5, 6})};
  TArray list = TKDRealBufferList::CreateData(rows);
  TMatrix fromList = TKDRealMatrixBuffer::CreateUniversal(list);
  EXPECT_EQ(fromList->GetRows(), 2u);
  EXPECT_EQ(fromList->GetCols(), 4u);
  EXPECT_EQ(Cells(fromList), (std::vector<double>{1, 2, 0, 0, 3, 4, 5, 6}));

  TMatrix shared = TKDRealMatrixBuffer::CreateUniversal(fromList);
  EXPECT_EQ(shared->Read(), fromList->Read());
  EXPECT_EQ(shared->GetCols(), 4u);
  TBuffer plain = Real({1, 2, 3});
  TMatrix row = TKDRealMatrixBuffer::CreateUniversal(plain);
  EXPECT_EQ(row->GetRows(), 1u);
  EXPECT_EQ(row->GetCols(), 3u);
  EXPECT_EQ(row->Read(), plain->Read());
  EXPECT_TRUE(shared->IsEqual(fromList));
  EXPECT_FALSE(row->IsEqual(plain));

  EXPECT_EQ(TKDRealBuffer::CreateBufferArray(list)->GetSize(), 8u);
}

TEST_F(MatrixBufferTest, AssignAndArrayEquality) {
  const TBuffer rows[] = {Real({1, 2}), Real({3, 4})};
  TArray list = TKDRealBufferList::CreateData(rows);
  list->AddCustom(Real({42}));
  TMatrix m = TKDRealMatrixBuffer::CreateSize(5, 5);
  m->Assign(list);
  EXPECT_EQ(Cells(m), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(m->GetCustomCount(), 1);
  EXPECT_TRUE(m->IsEqualArray(list));
  list->SetCell(1, 1, 0);
  EXPECT_FALSE(m->IsEqualArray(list));
  EXPECT_FALSE(m->IsEqualArray(TKDRealBufferList::Create()));
}

// Whatever block the data-buffer Assign hands the matrix, its shape describes that block: the
// cells it reports lie inside it.
TEST_F(MatrixBufferTest, AssignOfAnyBufferTakesTheShapeOfItsBlock) {
  const double values[] = {1, 2, 3, 4, 5, 6};
  const int32_t integers[] = {1, 2, 3, 4, 5};
  const struct {
    const char* source;
    kelvra::TIntf<IKDDataBuffer> buffer;
    uint32_t rows, cols;
  } cases[] = {
      {"2 x 3 matrix", TKDRealMatrixBuffer::CreateData(values, 2, 3), 2, 3},
      {"2 reals", Real({1, 2}), 1, 2},
      {"5 integers", TKDIntegerBuffer::CreateData(integers, 5), 1, 2},  // 20 bytes: 2 reals
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    TMatrix m = TKDRealMatrixBuffer::CreateSize(10, 10);
    m->Assign(c.buffer);
    EXPECT_EQ(m->GetRows(), c.rows);
    EXPECT_EQ(m->GetCols(), c.cols);
    EXPECT_EQ(m->GetByteSize(), c.rows * c.cols * sizeof(double));
    EXPECT_THROW(m->GetItem(9, 9), kelvra::ERangeError);
    m->SetValue(7);
    EXPECT_EQ(Cells(m), std::vector<double>(c.rows * c.cols, 7));
  }
}

// ---------------------------------------------------------------------------------------------
// Buffer list and wrapper

TEST_F(BufferListTest, HoldsReferencesAndWorksItemByItem) {
  TBuffer first = Real({1, 2});
  auto list = TKDRealBufferList::Create();
  list->Append(first);
  list->Append(Real({3, 4, 5}));
  EXPECT_EQ(list->GetItem(0).get(), first.get());
  EXPECT_EQ(list->GetMaxSize(), 3u);
  EXPECT_EQ(list->GetColCount(1), 3u);
  list->AddValue(1);
  EXPECT_EQ(Values(first), (std::vector<double>{2, 3}));  // the very buffer that was put in
  EXPECT_THROW(list->GetItem(2), kelvra::ERangeError);
  EXPECT_THROW(list->GetCell(1, 3), kelvra::ERangeError);

  const TBuffer rows[] = {Real({1, 1}), Real({2})};
  TArray other = TKDRealBufferList::CreateData(rows);
  EXPECT_NE(other->GetItem(0).get(), rows[0].get());  // sharing copies
  list->Multiply(other);
  EXPECT_EQ(Values(list->GetItem(1)), (std::vector<double>{8, 5, 6}));
  EXPECT_THROW(other->Add(TKDRealBufferList::Create()), kelvra::ERangeError);
  EXPECT_EQ(TKDRealBufferList::Create()->GetMaxSize(), 0u);
}

TEST_F(BufferListTest, ResizeAssignAndEquality) {
  const TBuffer rows[] = {Real({1, 2, 3, 4})};
  TArray list = TKDRealBufferList::CreateData(rows);
  EXPECT_TRUE(list->Resize(3, 2, true));
  EXPECT_EQ(list->GetCount(), 3);
  EXPECT_EQ(Values(list->GetItem(0)), (std::vector<double>{1, 2}));
  EXPECT_EQ(Values(list->GetItem(2)), (std::vector<double>{0, 0}));
  EXPECT_FALSE(list->Resize(3, 2, true));
  EXPECT_TRUE(list->Resize(1, 2, true));

  TArray copy = TKDRealBufferList::Create();
  copy->Assign(list);
  EXPECT_EQ(copy->GetItem(0).get(), list->GetItem(0).get());
  EXPECT_TRUE(copy->IsEqualArray(list));
  copy->Assign(copy);
  EXPECT_EQ(copy->GetCount(), 1);
  TArray view = TKDRealMatrix::CreateCopy(copy);
  view->Assign(view);  // the list is assigned a wrapper of itself
  EXPECT_EQ(copy->GetCount(), 1);
  EXPECT_FALSE(copy->IsEqualArray(TKDRealBufferList::Create()));
  EXPECT_EQ(Supports<IKDRealBufferArray>(list->MakeCopy())->GetCount(), 0);  // custom data only
}

TEST_F(BufferListTest, TheWrapperForwardsAndSwapsTheResizeCounts) {
  TArray wrapped = TKDRealMatrix::CreateAsArraySize(2, 3);
  wrapped->SetCell(1, 2, 5);
  EXPECT_EQ(wrapped->GetCell(1, 2), 5);
  EXPECT_EQ(RangeMessage([&] { wrapped->GetCell(0, 3); }), "Column out of range = 3");
  EXPECT_TRUE(wrapped->Resize(4, 1, false));  // one row of four columns
  EXPECT_EQ(wrapped->GetCount(), 1);
  EXPECT_EQ(wrapped->GetMaxSize(), 4u);

  const TBuffer rows[] = {Real({1}), Real({2})};
  TArray list = TKDRealBufferList::CreateData(rows);
  TArray view = TKDRealMatrix::CreateCopy(list);
  view->MultiplyValue(3);
  EXPECT_EQ(list->GetCell(1, 0), 6);  // held by reference
  EXPECT_TRUE(view->IsEqualArray(list));
  // A copy of a wrapped matrix shares its block.
  auto& wrapper = dynamic_cast<TKDRealMatrix&>(*wrapped->GetInstance());
  TArray copy = TKDRealMatrix::CreateEx(wrapper);
  EXPECT_TRUE(wrapper.IsEqualMatrix(dynamic_cast<TKDRealMatrix&>(*copy->GetInstance())));
  copy->SetCell(0, 0, 1);
  EXPECT_EQ(wrapped->GetCell(0, 0), 0);
}

}  // namespace
}  // namespace corvane
