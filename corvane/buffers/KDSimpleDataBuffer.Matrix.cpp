#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

// ---------------------------------------------------------------------------------------------
// Enumerator and access object

bool TRealBufferArrayEnumerator::MoveNext() { return ++index_ < array_->GetCount(); }

TIntf<IKDRealBuffer> TRealBufferArrayEnumerator::GetCurrent() const {
  return array_->GetItem(index_);
}

TKDRealMatrixBufferAccess::TKDRealMatrixBufferAccess(TKDRealMatrixBuffer& AMatrix,
                                                     TByteAccessor AByteAccessor)
    : TKDTypedBufferAccess(AMatrix, std::move(AByteAccessor)), matrix_(AMatrix) {}

uint32_t TKDRealMatrixBufferAccess::GetCols() { return matrix_.GetCols(); }
uint32_t TKDRealMatrixBufferAccess::GetRows() { return matrix_.GetRows(); }

// ---------------------------------------------------------------------------------------------
// Matrix buffer: construction

namespace {
TKDRealMatrixBuffer* MatrixBehind(IKDData* AData) {
  return AData ? dynamic_cast<TKDRealMatrixBuffer*>(AData->GetInstance()) : nullptr;
}
}  // namespace

uint32_t TKDRealMatrixBuffer::CellCount(uint32_t ARows, uint32_t ACols) {
  const uint64_t cells = uint64_t(ARows) * ACols;
  if (cells > UINT32_MAX) throw kelvra::EOutOfMemory();
  return uint32_t(cells);
}

TKDRealMatrixBuffer::TKDRealMatrixBuffer(uint32_t ARows, uint32_t ACols)
    : TKDMemoryBuffer(CellCount(ARows, ACols), sizeof(double)), cols_(ACols), rows_(ARows) {}

TKDRealMatrixBuffer::TKDRealMatrixBuffer(TKDGenericBuffer& ASource, uint32_t ARows,
                                         uint32_t ACols)
    : TKDMemoryBuffer(ASource.GetDataIntf(), ASource.DataContainer(),
                      ByteCount(CellCount(ARows, ACols), sizeof(double))),
      cols_(ACols),
      rows_(ARows) {}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::Create() { return CreateSize(0, 0); }

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateSize(uint32_t ARows, uint32_t ACols) {
  return new TKDRealMatrixBuffer(ARows, ACols);
}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateData(const double* AData, uint32_t ARows,
                                                             uint32_t ACols) {
  TMatrix result = CreateSize(ARows, ACols);
  if (AData && result->GetSize() > 0)
    std::memcpy(result->Read(), AData, size_t(result->GetSize()) * sizeof(double));
  return result;
}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateValue(double AValue, uint32_t ARows,
                                                              uint32_t ACols) {
  TMatrix result = CreateSize(ARows, ACols);
  result->SetValue(AValue);
  return result;
}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateEx(TKDRealMatrixBuffer& ASource) {
  return new TKDRealMatrixBuffer(ASource, ASource.rows_, ASource.cols_);
}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateCopy(const TMatrix& ASource) {
  return CreateUniversal(ASource);
}

TKDRealMatrixBuffer::TMatrix TKDRealMatrixBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  if (TKDRealMatrixBuffer* matrix = MatrixBehind(ASource.get())) return CreateEx(*matrix);
  if (TArray array = Supports<IKDRealBufferArray>(ASource)) {
    TMatrix result = CreateSize(uint32_t(array->GetCount()), array->GetMaxSize());
    for (int32_t r = 0; r < array->GetCount(); ++r) result->SetRow(r, array->GetItem(r));
    return result;
  }
  TKDGenericBuffer& buffer = BufferOf(ASource);
  return new TKDRealMatrixBuffer(buffer, 1, buffer.GetByteSize() / sizeof(double));
}

TIntf<IKDData> TKDRealMatrixBuffer::MakeCopy() { return CreateEx(*this); }

void TKDRealMatrixBuffer::SetShape(uint32_t ARows, uint32_t ACols) {
  SetByteSize(ByteCount(CellCount(ARows, ACols), sizeof(double)));
  rows_ = ARows;
  cols_ = ACols;
}

void TKDRealMatrixBuffer::Assign(const TIntf<IKDDataBuffer>& ASource) {
  TKDMemoryBuffer::Assign(ASource);
  if (TKDRealMatrixBuffer* matrix = MatrixBehind(ASource.get()))
    SetShape(matrix->rows_, matrix->cols_);
  else
    SetShape(1, GetByteSize() / sizeof(double));
}

bool TKDRealMatrixBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  return MatrixBehind(AOther.get()) && TKDGenericBuffer::IsEqual(AOther);
}

TIntf<IKDRealMatrixBufferAccess> TKDRealMatrixBuffer::Data(TBufferAccessModes AModes) {
  return new TKDRealMatrixBufferAccess(*this, ByteAccessor(AModes));
}

// ---------------------------------------------------------------------------------------------
// Matrix buffer: cells and rows

void TKDRealMatrixBuffer::CheckRow(int32_t ARow) const {
  if (uint32_t(ARow) >= rows_)
    throw kelvra::ERangeError("Row out of range = " + std::to_string(uint32_t(ARow)));
}

void TKDRealMatrixBuffer::CheckCell(int32_t ARow, int32_t ACol) const {
  if (uint32_t(ACol) >= cols_)
    throw kelvra::ERangeError("Column out of range = " + std::to_string(uint32_t(ACol)));
  CheckRow(ARow);
}

double TKDRealMatrixBuffer::GetItem(int32_t ARow, int32_t ACol) {
  CheckCell(ARow, ACol);
  return Read()[size_t(ARow) * cols_ + uint32_t(ACol)];
}

void TKDRealMatrixBuffer::SetItem(int32_t ARow, int32_t ACol, double AValue) {
  Unique(true);
  CheckCell(ARow, ACol);
  Read()[size_t(ARow) * cols_ + uint32_t(ACol)] = AValue;
}

TKDRealMatrixBuffer::TRealBuffer TKDRealMatrixBuffer::GetRow(int32_t ARow) {
  CheckRow(ARow);
  return TKDRealBuffer::CreateData(Read() + size_t(ARow) * cols_, cols_);
}

void TKDRealMatrixBuffer::SetRow(int32_t ARow, const TRealBuffer& ABuffer) {
  Unique(true);
  CheckRow(ARow);
  const uint32_t count = std::min(ABuffer->GetSize(), cols_);
  ippsCopy_64f(ABuffer->Read(), Read() + size_t(ARow) * cols_, int32_t(count));
}

bool TKDRealMatrixBuffer::IsEqualArray(const TArray& AArray) {
  if (AArray->GetCount() != GetCount()) return false;
  for (int32_t r = 0; r < GetCount(); ++r)
    if (!GetRow(r)->IsEqual(AArray->GetItem(r))) return false;
  return true;
}

void TKDRealMatrixBuffer::AssignMatrix(const TArray& AArray) {
  AssignData(AArray);
  const int32_t count = AArray->GetCount();
  Resize(uint32_t(count), AArray->GetMaxSize(), false);
  for (int32_t r = 0; r < count; ++r) SetRow(r, AArray->GetItem(r));
}

// ---------------------------------------------------------------------------------------------
// Matrix buffer: arithmetic

template <class Slot>
void TKDRealMatrixBuffer::CombineRows(const TArray& AArray, Slot slot) {
  double* items = Modify();
  const int32_t rows = std::min(GetCount(), AArray->GetCount());
  for (int32_t r = 0; r < rows; ++r) {
    TRealBuffer item = AArray->GetItem(r);
    const uint32_t count = std::min(cols_, item->GetSize());
    slot(item->Read(), items + size_t(r) * cols_, int32_t(count));
  }
}

void TKDRealMatrixBuffer::Add(const TArray& AArray) { CombineRows(AArray, ippsAdd_64f_I); }
void TKDRealMatrixBuffer::Subtract(const TArray& AArray) { CombineRows(AArray, ippsSub_64f_I); }
void TKDRealMatrixBuffer::Multiply(const TArray& AArray) { CombineRows(AArray, ippsMul_64f_I); }
void TKDRealMatrixBuffer::Divide(const TArray& AArray) {
  CombineRows(AArray, TKDRealBuffer::DivideWithFixUp);
}

void TKDRealMatrixBuffer::SetValue(double AValue) {
  ippsSet_64f(AValue, Write(), int32_t(GetSize()));
}

void TKDRealMatrixBuffer::Zero() { ippsZero_64f(Write(), int32_t(GetSize())); }

void TKDRealMatrixBuffer::AddValue(double AValue) {
  if (AValue != 0.0) ippsAddC_64f_I(AValue, Modify(), int32_t(GetSize()));
}

void TKDRealMatrixBuffer::SubtractValue(double AValue) {
  if (AValue != 0.0) ippsSubC_64f_I(AValue, Modify(), int32_t(GetSize()));
}

void TKDRealMatrixBuffer::MultiplyValue(double AValue) {
  if (AValue != 1.0) ippsMulC_64f_I(AValue, Modify(), int32_t(GetSize()));
}

void TKDRealMatrixBuffer::DivideValue(double AValue) {
  if (AValue != 0.0 && AValue != 1.0) ippsDivC_64f_I(AValue, Modify(), int32_t(GetSize()));
}

bool TKDRealMatrixBuffer::Resize(uint32_t ARows, uint32_t ACols, bool AKeep) {
  const bool noCells = ARows == 0 || ACols == 0;  // the block stays, the byte size becomes 0
  if (!noCells) {
    if (ARows == rows_ && ACols == cols_) return false;
    // The rule compares with the current Size, so the shape changes after it.
    ResizeItems(CellCount(ARows, ACols), AKeep);
  }
  SetShape(ARows, ACols);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Buffer list

TKDRealBufferList::TList TKDRealBufferList::Create() { return new TKDRealBufferList(); }

TKDRealBufferList::TList TKDRealBufferList::CreateCopy(const TArray& AArray) {
  return new TKDRealBufferList(AArray);
}

TKDRealBufferList::TList TKDRealBufferList::CreateData(std::span<const TRealBuffer> ABuffers) {
  TList result = Create();
  for (const TRealBuffer& buffer : ABuffers) result->Append(TKDRealBuffer::CreateCopy(buffer));
  return result;
}

void TKDRealBufferList::Assign(const TArray& AArray) {
  if (AArray.get() == static_cast<IKDRealBufferArray*>(this)) return;
  AssignData(AArray);
  // Gathered before the list changes: AArray may be a wrapper of this list.
  kelvra::TArrayList<TRealBuffer> items;
  for (int32_t i = 0; i < AArray->GetCount(); ++i) items.Add(AArray->GetItem(i));
  items_ = std::move(items);
}

bool TKDRealBufferList::IsEqualArray(const TArray& AArray) {
  if (AArray->GetCount() != GetCount()) return false;
  for (int32_t i = 0; i < GetCount(); ++i)
    if (!items_[i]->IsEqual(AArray->GetItem(i))) return false;
  return true;
}

uint32_t TKDRealBufferList::GetMaxSize() {
  uint32_t result = 0;
  for (const TRealBuffer& item : items_) result = std::max(result, item->GetSize());
  return result;
}

double TKDRealBufferList::GetCell(int32_t AIndex, int32_t AElement) {
  return items_[AIndex]->GetItem(AElement);
}

void TKDRealBufferList::SetCell(int32_t AIndex, int32_t AElement, double AValue) {
  items_[AIndex]->SetItem(AElement, AValue);
}

template <class Operation>
void TKDRealBufferList::CombineItems(const TArray& AArray, Operation operation) {
  for (int32_t i = 0; i < GetCount(); ++i) operation(*items_[i], AArray->GetItem(i));
}

template <class Operation>
void TKDRealBufferList::ForEachItem(Operation operation) {
  for (const TRealBuffer& item : items_) operation(*item);
}

void TKDRealBufferList::Add(const TArray& AArray) {
  CombineItems(AArray, [](IKDRealBuffer& item, const TRealBuffer& other) { item.Add(other); });
}

void TKDRealBufferList::Subtract(const TArray& AArray) {
  CombineItems(AArray,
               [](IKDRealBuffer& item, const TRealBuffer& other) { item.Subtract(other); });
}

void TKDRealBufferList::Multiply(const TArray& AArray) {
  CombineItems(AArray,
               [](IKDRealBuffer& item, const TRealBuffer& other) { item.Multiply(other); });
}

void TKDRealBufferList::Divide(const TArray& AArray) {
  CombineItems(AArray, [](IKDRealBuffer& item, const TRealBuffer& other) { item.Divide(other); });
}

void TKDRealBufferList::SetValue(double AValue) {
  ForEachItem([AValue](IKDRealBuffer& item) { item.SetValue(AValue); });
}

void TKDRealBufferList::AddValue(double AValue) {
  ForEachItem([AValue](IKDRealBuffer& item) { item.AddValue(AValue); });
}

void TKDRealBufferList::SubtractValue(double AValue) {
  ForEachItem([AValue](IKDRealBuffer& item) { item.SubtractValue(AValue); });
}

void TKDRealBufferList::MultiplyValue(double AValue) {
  ForEachItem([AValue](IKDRealBuffer& item) { item.MultiplyValue(AValue); });
}

void TKDRealBufferList::DivideValue(double AValue) {
  ForEachItem([AValue](IKDRealBuffer& item) { item.DivideValue(AValue); });
}

void TKDRealBufferList::Zero() {
  ForEachItem([](IKDRealBuffer& item) { item.Zero(); });
}

bool TKDRealBufferList::Resize(uint32_t ACount, uint32_t ASize, bool AKeep) {
  bool changed = false;
  while (uint32_t(GetCount()) > ACount) {
    items_.Delete(GetCount() - 1);
    changed = true;
  }
  ForEachItem([&](IKDRealBuffer& item) { changed |= item.Resize(ASize, AKeep); });
  while (uint32_t(GetCount()) < ACount) {
    items_.Add(TKDRealBuffer::CreateSize(ASize));
    changed = true;
  }
  return changed;
}

// ---------------------------------------------------------------------------------------------
// Wrapper

TKDRealMatrix::TArray TKDRealMatrix::CreateCopy(const TArray& AArray) {
  return new TKDRealMatrix(AArray);
}

TKDRealMatrix::TArray TKDRealMatrix::CreateEx(TKDRealMatrix& AOther) {
  return new TKDRealMatrix(Supports<IKDRealBufferArray>(AOther.MakeCopy()));
}

TKDRealMatrix::TArray TKDRealMatrix::CreateAsArraySize(uint32_t ARows, uint32_t ACols) {
  return new TKDRealMatrix(TKDRealMatrixBuffer::CreateSize(ARows, ACols));
}

TKDRealMatrix::TArray TKDRealMatrix::CreateAsArrayData(const double* AData, uint32_t ARows,
                                                       uint32_t ACols) {
  return new TKDRealMatrix(TKDRealMatrixBuffer::CreateData(AData, ARows, ACols));
}

// A wrapper of a copy of the wrapped array (which for a matrix shares its block).
TIntf<IKDData> TKDRealMatrix::MakeCopy() {
  return new TKDRealMatrix(Supports<IKDRealBufferArray>(array_->MakeCopy()));
}

void TKDRealMatrix::Assign(const TArray& AArray) {
  AssignData(AArray);
  array_->Assign(AArray);
}

bool TKDRealMatrix::IsEqualArray(const TArray& AArray) {
  if (AArray->GetCount() != GetCount()) return false;
  for (int32_t i = 0; i < GetCount(); ++i)
    if (!GetItem(i)->IsEqual(AArray->GetItem(i))) return false;
  return true;
}

}  // namespace corvane
