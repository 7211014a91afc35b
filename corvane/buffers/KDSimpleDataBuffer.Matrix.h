// The buffer arrays of the unit KDSimpleDataBuffer: two-dimensional sets of real rows seen through
// one interface, IKDRealBufferArray. TKDRealMatrixBuffer holds a rectangular matrix in one shared
// block (row-major 64-bit floats); TKDRealBufferList holds references to real buffers whose
// lengths may differ; TKDRealMatrix wraps another array and forwards to it.
#pragma once

#include <cstdint>
#include <span>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "kelvra/Kelvra.Containers.h"

namespace corvane {

class IKDRealBufferArray;

// Walks the items of an array as real buffers, in index order.
class TRealBufferArrayEnumerator {
 public:
  explicit TRealBufferArrayEnumerator(kelvra::TIntf<IKDRealBufferArray> AArray)
      : array_(std::move(AArray)) {}
  bool MoveNext();
  kelvra::TIntf<IKDRealBuffer> GetCurrent() const;

 private:
  kelvra::TIntf<IKDRealBufferArray> array_;
  int32_t index_ = -1;
};

class IKDRealBufferArray : public virtual IKDData {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{7917F92D-A6A1-4209-9491-F36F589B1006}");
  using TArray = kelvra::TIntf<IKDRealBufferArray>;
  using TRealBuffer = kelvra::TIntf<IKDRealBuffer>;

  virtual void Assign(const TArray& AArray) = 0;
  virtual bool IsEqualArray(const TArray& AArray) = 0;
  // The largest item Size (0 when there are no items); the number of items (rows); item
  // AIndex's Size.
  virtual uint32_t GetMaxSize() = 0;
  virtual int32_t GetCount() = 0;
  virtual uint32_t GetColCount(int32_t AIndex) = 0;
  virtual TRealBuffer GetItem(int32_t AIndex) = 0;
  virtual void SetItem(int32_t AIndex, const TRealBuffer& ABuffer) = 0;
  virtual double GetCell(int32_t AIndex, int32_t AElement) = 0;
  virtual void SetCell(int32_t AIndex, int32_t AElement, double AValue) = 0;
  virtual void Add(const TArray& AArray) = 0;
  virtual void Subtract(const TArray& AArray) = 0;
  virtual void Multiply(const TArray& AArray) = 0;
  virtual void Divide(const TArray& AArray) = 0;
  virtual void SetValue(double AValue) = 0;
  virtual void AddValue(double AValue) = 0;
  virtual void SubtractValue(double AValue) = 0;
  virtual void MultiplyValue(double AValue) = 0;
  virtual void DivideValue(double AValue) = 0;
  virtual void Zero() = 0;
  virtual bool Resize(uint32_t ACount, uint32_t ASize, bool AKeep) = 0;
  virtual TRealBufferArrayEnumerator GetEnumerator() = 0;
};

class IKDRealBufferDynamicArray : public virtual IKDRealBufferArray {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{65819F32-AF42-44B6-ADC8-281838466FB8}");
  virtual void Append(const TRealBuffer& ABuffer) = 0;
};

class IKDRealMatrixBufferAccess : public virtual IKDBasicBufferAccess {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{E57A024B-C450-465C-BB97-0ADC23BC2519}");
  virtual double* GetItems() = 0;
  virtual uint32_t GetCols() = 0;
  virtual uint32_t GetRows() = 0;
};

// A matrix is also a data buffer.
class IKDRealMatrixBuffer : public virtual IKDRealBufferArray, public virtual IKDGenericBuffer {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{F3CA41F1-2B7E-49F4-8E08-7B78E6031B57}");
  using IKDRealBufferArray::Assign;
  using IKDDataBuffer::Assign;
  using IKDRealBufferArray::GetItem;
  using IKDRealBufferArray::SetItem;

  virtual kelvra::TIntf<IKDRealMatrixBufferAccess> Data(TBufferAccessModes AModes) = 0;
  virtual double* Read() = 0;
  virtual double* Write() = 0;
  virtual double* Modify() = 0;
  virtual uint32_t GetCols() = 0;
  virtual uint32_t GetRows() = 0;
  virtual double GetItem(int32_t ARow, int32_t ACol) = 0;
  virtual void SetItem(int32_t ARow, int32_t ACol, double AValue) = 0;
  virtual TRealBuffer GetRow(int32_t ARow) = 0;
  virtual void SetRow(int32_t ARow, const TRealBuffer& ABuffer) = 0;
};

class TKDRealMatrixBuffer;

class TKDRealMatrixBufferAccess
    : public TKDTypedBufferAccess<IKDRealMatrixBufferAccess, double> {
 public:
  TKDRealMatrixBufferAccess(TKDRealMatrixBuffer& AMatrix, TByteAccessor AByteAccessor);
  uint32_t GetCols() override;
  uint32_t GetRows() override;

 private:
  TKDRealMatrixBuffer& matrix_;
};

// ---------------------------------------------------------------------------------------------
// The matrix buffer: Rows × Cols 64-bit floats, element (r, c) at r × Cols + c. Cells addressed
// outside the matrix raise ERangeError "Column out of range = %u" (tested first) or "Row out of
// range = %u"; so do rows.

class TKDRealMatrixBuffer : public TKDMemoryBuffer, public virtual IKDRealMatrixBuffer {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TMatrix = kelvra::TIntf<IKDRealMatrixBuffer>;
  using TArray = IKDRealBufferArray::TArray;
  using TRealBuffer = IKDRealBufferArray::TRealBuffer;

  static TMatrix Create();
  static TMatrix CreateSize(uint32_t ARows, uint32_t ACols);
  // Rows × Cols values from AData in row-major order; zeros when AData is null.
  static TMatrix CreateData(const double* AData, uint32_t ARows, uint32_t ACols);
  static TMatrix CreateValue(double AValue, uint32_t ARows, uint32_t ACols);
  // These share the source's block and take over its Rows and Cols.
  static TMatrix CreateEx(TKDRealMatrixBuffer& ASource);
  static TMatrix CreateCopy(const TMatrix& ASource);
  // A matrix is shared; any other array is copied row by row into Count × MaxSize, short rows
  // padded with zeros; any other data buffer is shared as one row of byte size div 8 columns.
  static TMatrix CreateUniversal(const kelvra::TIntf<IKDData>& ASource);

  kelvra::TIntf<IKDData> MakeCopy() override;
  uint32_t ItemSize() override { return sizeof(double); }
  uint32_t GetSize() override { return rows_ * cols_; }
  // False unless AOther is a matrix buffer; then the bytes decide.
  bool IsEqual(const kelvra::TIntf<IKDDataBuffer>& AOther) override;
  // The data buffer's Assign: the source's block and custom data. The shape follows the block:
  // a matrix's Rows and Cols, any other buffer one row of its whole 64-bit elements.
  void Assign(const kelvra::TIntf<IKDDataBuffer>& ASource) override;
  // The array's Assign: the source's custom data, then Count × MaxSize with the source's items
  // as rows.
  void Assign(const TArray& AArray) override { AssignMatrix(AArray); }
  void AssignMatrix(const TArray& AArray);
  TArray GetMatArrayIntf() { return this; }

  // As an array: Count = Rows, MaxSize = Cols = every row's size.
  bool IsEqualArray(const TArray& AArray) override;
  uint32_t GetMaxSize() override { return cols_; }
  int32_t GetCount() override { return int32_t(rows_); }
  uint32_t GetColCount(int32_t) override { return cols_; }
  // A new real buffer holding a copy of the row.
  TRealBuffer GetItem(int32_t ARow) override { return GetRow(ARow); }
  void SetItem(int32_t ARow, const TRealBuffer& ABuffer) override { SetRow(ARow, ABuffer); }
  double GetCell(int32_t AIndex, int32_t AElement) override { return GetItem(AIndex, AElement); }
  void SetCell(int32_t AIndex, int32_t AElement, double AValue) override {
    SetItem(AIndex, AElement, AValue);
  }
  // Row by row with the other array's item of the same index, over the common rows and columns.
  void Add(const TArray& AArray) override;
  void Subtract(const TArray& AArray) override;
  void Multiply(const TArray& AArray) override;
  // With the real buffer's fix-up of zero divisors, per row.
  void Divide(const TArray& AArray) override;
  // On every element, with the real buffer's slots and skips.
  void SetValue(double AValue) override;
  void AddValue(double AValue) override;
  void SubtractValue(double AValue) override;
  void MultiplyValue(double AValue) override;
  void DivideValue(double AValue) override;
  void Zero() override;
  // A 0 count empties the matrix and keeps the block; the same shape does nothing (false); any
  // other shape sizes the block by the memory buffer's resize rule, which keeps bytes, not rows.
  bool Resize(uint32_t ARows, uint32_t ACols, bool AKeep) override;
  TRealBufferArrayEnumerator GetEnumerator() override { return TRealBufferArrayEnumerator(this); }

  kelvra::TIntf<IKDRealMatrixBufferAccess> Data(TBufferAccessModes AModes) override;
  double* Read() override { return CachedItems<double>(); }
  double* Write() override { return DetachedItems<double>(false); }
  double* Modify() override { return DetachedItems<double>(true); }
  uint32_t GetCols() override { return cols_; }
  uint32_t GetRows() override { return rows_; }
  double GetItem(int32_t ARow, int32_t ACol) override;
  void SetItem(int32_t ARow, int32_t ACol, double AValue) override;
  TRealBuffer GetRow(int32_t ARow) override;
  // Detaches with a copy, then copies min(ABuffer's Size, Cols) values into the row; the rest of
  // the row keeps its values.
  void SetRow(int32_t ARow, const TRealBuffer& ABuffer) override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDRealMatrixBuffer, IKDRealMatrixBuffer, IKDRealBufferArray,
                            IKDGenericBuffer, IKDDataBuffer, IKDData, kelvra::ISerializable>(
        this, iid, out);
  }

 protected:
  TKDRealMatrixBuffer(uint32_t ARows, uint32_t ACols);
  TKDRealMatrixBuffer(TKDGenericBuffer& ASource, uint32_t ARows, uint32_t ACols);

 private:
  static uint32_t CellCount(uint32_t ARows, uint32_t ACols);
  // Rows and Cols, and the byte size of their cells.
  void SetShape(uint32_t ARows, uint32_t ACols);
  void CheckCell(int32_t ARow, int32_t ACol) const;
  void CheckRow(int32_t ARow) const;
  // slot(item r, row r, min(Cols, item r's Size)) for the common rows, on the detached matrix.
  template <class Slot>
  void CombineRows(const TArray& AArray, Slot slot);

  uint32_t cols_;
  uint32_t rows_;
};
inline constexpr kelvra::TClassRef TKDRealMatrixBuffer::ClassRef =
    kelvra::ClassRefOf<TKDRealMatrixBuffer, TKDMemoryBuffer>("TKDRealMatrixBuffer");

// ---------------------------------------------------------------------------------------------
// The buffer list: references to real buffers, not copies. Items addressed outside the list
// raise the list's range error.

class TKDRealBufferList : public TKDData, public virtual IKDRealBufferDynamicArray {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TArray = IKDRealBufferArray::TArray;
  using TRealBuffer = IKDRealBufferArray::TRealBuffer;
  using TList = kelvra::TIntf<IKDRealBufferDynamicArray>;

  static TList Create();
  // The source's custom data only: the new list has no items.
  static TList CreateCopy(const TArray& AArray);
  // Each buffer added as a sharing copy.
  static TList CreateData(std::span<const TRealBuffer> ABuffers);

  kelvra::TIntf<IKDData> MakeCopy() override { return CreateCopy(this); }

  // Unless AArray is this list: its custom data, then its items (the same references).
  void Assign(const TArray& AArray) override;
  bool IsEqualArray(const TArray& AArray) override;
  uint32_t GetMaxSize() override;
  int32_t GetCount() override { return items_.GetCount(); }
  uint32_t GetColCount(int32_t AIndex) override { return items_[AIndex]->GetSize(); }
  TRealBuffer GetItem(int32_t AIndex) override { return items_[AIndex]; }
  void SetItem(int32_t AIndex, const TRealBuffer& ABuffer) override { items_[AIndex] = ABuffer; }
  // Item AIndex's element AElement, with the real buffer's range error.
  double GetCell(int32_t AIndex, int32_t AElement) override;
  void SetCell(int32_t AIndex, int32_t AElement, double AValue) override;
  // Item by item with the other array's item of the same index, which must exist.
  void Add(const TArray& AArray) override;
  void Subtract(const TArray& AArray) override;
  void Multiply(const TArray& AArray) override;
  void Divide(const TArray& AArray) override;
  void SetValue(double AValue) override;
  void AddValue(double AValue) override;
  void SubtractValue(double AValue) override;
  void MultiplyValue(double AValue) override;
  void DivideValue(double AValue) override;
  void Zero() override;
  // Drops items from the end, resizes the rest with the real buffer's Resize, and appends new
  // zero-filled buffers of ASize; true when anything changed.
  bool Resize(uint32_t ACount, uint32_t ASize, bool AKeep) override;
  TRealBufferArrayEnumerator GetEnumerator() override { return TRealBufferArrayEnumerator(this); }
  void Append(const TRealBuffer& ABuffer) override { items_.Add(ABuffer); }
  void Delete(int32_t AIndex) { items_.Delete(AIndex); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDRealBufferList, IKDRealBufferDynamicArray, IKDRealBufferArray,
                            IKDData, kelvra::ISerializable>(this, iid, out);
  }

 protected:
  TKDRealBufferList() = default;
  explicit TKDRealBufferList(const kelvra::TIntf<IKDData>& ASource) : TKDData(ASource) {}

 private:
  template <class Operation>
  void CombineItems(const TArray& AArray, Operation operation);
  template <class Operation>
  void ForEachItem(Operation operation);

  kelvra::TArrayList<TRealBuffer> items_;
};
inline constexpr kelvra::TClassRef TKDRealBufferList::ClassRef =
    kelvra::ClassRefOf<TKDRealBufferList, TKDData>("TKDRealBufferList");

// ---------------------------------------------------------------------------------------------
// The wrapper: forwards every array operation to the array it holds (by reference).

class TKDRealMatrix : public TKDData, public virtual IKDRealBufferArray {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TArray = IKDRealBufferArray::TArray;
  using TRealBuffer = IKDRealBufferArray::TRealBuffer;

  // Wraps AArray itself and copies its custom data.
  static TArray CreateCopy(const TArray& AArray);
  // Wraps a copy made by the other wrapper's MakeCopy.
  static TArray CreateEx(TKDRealMatrix& AOther);
  // Wraps a new matrix buffer of ARows × ACols zeros, or of values from AData.
  static TArray CreateAsArraySize(uint32_t ARows, uint32_t ACols);
  static TArray CreateAsArrayData(const double* AData, uint32_t ARows, uint32_t ACols);

  kelvra::TIntf<IKDData> MakeCopy() override;
  TArray GetMatArrayIntf() { return this; }

  // The wrapped array's Assign, and the source's custom data.
  void Assign(const TArray& AArray) override;
  // Item by item through this wrapper: equal Counts and equal items.
  bool IsEqualArray(const TArray& AArray) override;
  bool IsEqualMatrix(TKDRealMatrix& AMatrix) { return IsEqualArray(AMatrix.GetMatArrayIntf()); }
  uint32_t GetMaxSize() override { return array_->GetMaxSize(); }
  int32_t GetCount() override { return array_->GetCount(); }
  uint32_t GetColCount(int32_t AIndex) override { return array_->GetColCount(AIndex); }
  TRealBuffer GetItem(int32_t AIndex) override { return array_->GetItem(AIndex); }
  void SetItem(int32_t AIndex, const TRealBuffer& ABuffer) override {
    array_->SetItem(AIndex, ABuffer);
  }
  double GetCell(int32_t AIndex, int32_t AElement) override {
    return array_->GetCell(AIndex, AElement);
  }
  void SetCell(int32_t AIndex, int32_t AElement, double AValue) override {
    array_->SetCell(AIndex, AElement, AValue);
  }
  void Add(const TArray& AArray) override { array_->Add(AArray); }
  void Subtract(const TArray& AArray) override { array_->Subtract(AArray); }
  void Multiply(const TArray& AArray) override { array_->Multiply(AArray); }
  void Divide(const TArray& AArray) override { array_->Divide(AArray); }
  void SetValue(double AValue) override { array_->SetValue(AValue); }
  void AddValue(double AValue) override { array_->AddValue(AValue); }
  void SubtractValue(double AValue) override { array_->SubtractValue(AValue); }
  void MultiplyValue(double AValue) override { array_->MultiplyValue(AValue); }
  void DivideValue(double AValue) override { array_->DivideValue(AValue); }
  void Zero() override { array_->Zero(); }
  // Hands the two counts to the wrapped array in swapped order: ASize items (rows) of ACount
  // elements.
  bool Resize(uint32_t ACount, uint32_t ASize, bool AKeep) override {
    return array_->Resize(ASize, ACount, AKeep);
  }
  TRealBufferArrayEnumerator GetEnumerator() override { return array_->GetEnumerator(); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDRealMatrix, IKDRealBufferArray, IKDData, kelvra::ISerializable>(
        this, iid, out);
  }

 protected:
  explicit TKDRealMatrix(const TArray& AArray) : TKDData(AArray), array_(AArray) {}

 private:
  TArray array_;
};
inline constexpr kelvra::TClassRef TKDRealMatrix::ClassRef =
    kelvra::ClassRefOf<TKDRealMatrix, TKDData>("TKDRealMatrix");

}  // namespace corvane
