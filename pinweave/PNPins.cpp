#include "pinweave/PNPins.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <shared_mutex>

#include "kelvra/Kelvra.Persistence.h"

namespace pinweave {
namespace {

// ---------------------------------------------------------------------------------------------
// Registries

struct TRegistry {
  std::mutex lock;
  std::vector<TPNStreamTypeInfo> streams;
  std::map<kelvra::TGUID, TPNNotificationHandler> defaultHandlers;
  std::vector<const kelvra::TClassRef*> converters;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

// Connections are made and ended one at a time; hooks may connect further pins.
std::recursive_mutex& ConnectionLock() {
  static std::recursive_mutex lock;
  return lock;
}

// The deliveries that run on this thread, innermost first, each naming its pin (TDeliveryGuard).
struct TDeliveryFrame {
  const TPNPin* pin;
  const TDeliveryFrame* outer;
};
thread_local const TDeliveryFrame* innermostDelivery = nullptr;

bool IsDeliveringHere(const TPNPin* APin) {
  for (const TDeliveryFrame* frame = innermostDelivery; frame; frame = frame->outer)
    if (frame->pin == APin) return true;
  return false;
}

bool IsCore(const kelvra::TGUID& AType) {
  const auto info = PNFindStream(AType);
  return info && info->Core;
}

std::string TypeName(const kelvra::TGUID& AType) {
  const auto info = PNFindStream(AType);
  return info && !info->Name.empty() ? std::string(info->Name) : AType.ToString();
}

std::string DescribePin(const TPNPin& APin) {
  std::string text = APin.FullName() + " (";
  bool first = true;
  for (const auto& [type, handler] : APin.Types()) {
    text += (first ? "" : ", ") + TypeName(type);
    first = false;
  }
  return text + ")";
}

bool AnswersQuery(TPNPin& APin, const kelvra::TGUID& AType) {
  void* out = nullptr;
  return APin.QueryInterface(AType, &out);
}

// The way a new connection goes: one type end to end, or a converter between two.
struct TPlan {
  kelvra::TGUID sourceType;
  const kelvra::TClassRef* converter = nullptr;
  kelvra::TGUID sinkType;
};

std::optional<TPlan> Negotiate(TPNPin& ASource, TPNPin& ASink) {
  const auto sinkTypes = ASink.Types();
  for (bool core : {false, true}) {
    for (const auto& [type, handler] : sinkTypes)
      if (IsCore(type) == core && ASource.AcceptsType(type)) return TPlan{type, nullptr, type};
    if (core) break;
    for (const kelvra::TClassRef* converter : PNRegisteredTypeConverters()) {
      const auto& attributes = converter->Attributes();
      if (ASource.AcceptsType(attributes.ConvertFrom) && ASink.AcceptsType(attributes.ConvertTo))
        return TPlan{attributes.ConvertFrom, converter, attributes.ConvertTo};
    }
  }
  for (const auto& [type, handler] : ASource.Types())
    if (AnswersQuery(ASink, type)) return TPlan{type, nullptr, type};
  return std::nullopt;
}

// Holds a pin's delivery lock shared for one delivery, unless this thread already delivers for
// the pin (a handler that notifies back through it).
class TDeliveryGuard {
 public:
  TDeliveryGuard(const TPNPin& APin, detail::TDeliveryLock& ALock)
      : frame_{&APin, innermostDelivery} {
    if (!IsDeliveringHere(&APin)) lock_ = std::shared_lock(ALock);
    innermostDelivery = &frame_;
  }
  ~TDeliveryGuard() { innermostDelivery = frame_.outer; }
  TDeliveryGuard(const TDeliveryGuard&) = delete;
  TDeliveryGuard& operator=(const TDeliveryGuard&) = delete;

 private:
  TDeliveryFrame frame_;
  std::shared_lock<detail::TDeliveryLock> lock_;
};

}  // namespace

namespace detail {
void TDeliveryLock::lock() {
  writers_.lock();
  uint32_t state = state_.fetch_or(kWriter, std::memory_order_acquire) | kWriter;
  while (state != kWriter) {
    state_.wait(state, std::memory_order_acquire);
    state = state_.load(std::memory_order_acquire);
  }
}

bool TDeliveryLock::try_lock() {
  if (!writers_.try_lock()) return false;
  uint32_t free = 0;
  if (state_.compare_exchange_strong(free, kWriter, std::memory_order_acquire)) return true;
  writers_.unlock();
  return false;
}

void TDeliveryLock::unlock() {
  state_.fetch_and(~kWriter, std::memory_order_release);
  state_.notify_all();
  writers_.unlock();
}

// A reader that came while a writer was there steps back (waking the writer when it was the
// last reader in its way) and tries again once the writer has gone.
void TDeliveryLock::WaitBehindWriter() {
  for (;;) {
    uint32_t state = state_.fetch_sub(kReader, std::memory_order_relaxed) - kReader;
    if (state == kWriter) state_.notify_all();
    while (state & kWriter) {
      state_.wait(state, std::memory_order_relaxed);
      state = state_.load(std::memory_order_relaxed);
    }
    if (!(state_.fetch_add(kReader, std::memory_order_acquire) & kWriter)) return;
  }
}
}  // namespace detail

// Under AddressSanitizer every operation goes back to the C library, so that a use after the
// last release is reported rather than landing in the next operation.
#if defined(__SANITIZE_ADDRESS__)
void* TPNNotifyOperation::operator new(std::size_t ASize) { return ::operator new(ASize); }

void TPNNotifyOperation::operator delete(void* APointer, std::size_t) noexcept {
  ::operator delete(APointer);
}
#else
namespace {

// The memory of dropped operations, kept per thread in lists by size for the operations made next
// on that thread. A synchronous chain of components holds one operation per stage at once, more
// than the C library keeps at hand per size, and would otherwise send the rest through its shared
// bins on every buffer.
class TOperationMemory {
 public:
  static constexpr std::size_t kGrain = 16;
  static constexpr std::size_t kLargest = 128;
  static constexpr std::size_t kKeptPerSize = 32;

  ~TOperationMemory() {
    for (std::size_t size = 0; size < kSizes; ++size)
      for (std::size_t i = 0; i < counts_[size]; ++i) ::operator delete(blocks_[size][i]);
    ended = true;
  }

  // A block of a kept size is always allocated whole, as another thread may keep it when it
  // drops the operation.
  void* Take(std::size_t ASize) {
    if (ASize > kLargest) return ::operator new(ASize);
    const std::size_t size = SizeIndex(ASize);
    if (ended || counts_[size] == 0) return ::operator new((size + 1) * kGrain);
    return blocks_[size][--counts_[size]];
  }

  void Give(void* ABlock, std::size_t ASize) noexcept {
    if (ASize <= kLargest && !ended) {
      const std::size_t size = SizeIndex(ASize);
      if (counts_[size] < kKeptPerSize) {
        blocks_[size][counts_[size]++] = ABlock;
        return;
      }
    }
    ::operator delete(ABlock);
  }

  // Set once the thread's lists are gone: operations dropped later in the thread's end go
  // straight back to the C library.
  static thread_local bool ended;

 private:
  static constexpr std::size_t kSizes = kLargest / kGrain;
  static std::size_t SizeIndex(std::size_t ASize) { return (ASize + kGrain - 1) / kGrain - 1; }

  std::array<std::array<void*, kKeptPerSize>, kSizes> blocks_;
  std::array<std::size_t, kSizes> counts_{};
};

thread_local bool TOperationMemory::ended = false;
thread_local TOperationMemory operationMemory;

}  // namespace

void* TPNNotifyOperation::operator new(std::size_t ASize) { return operationMemory.Take(ASize); }

void TPNNotifyOperation::operator delete(void* APointer, std::size_t ASize) noexcept {
  operationMemory.Give(APointer, ASize);
}
#endif

TPNOperation TPNNotifyOperation::Create(const kelvra::TClassRef& AClass) {
  return AClass.Create<TPNNotifyOperation*()>();
}

TPNMasterPumpOperation::TPNMasterPumpOperation(kelvra::TObject* AObject)
    : TPNPumpOperation(AObject), identifier_([] {
        static std::atomic<uint32_t> last{0};
        return last.fetch_add(1, std::memory_order_relaxed) + 1;
      }()) {}

uint32_t TPNPumpRequestOperation::Priority() const {
  std::lock_guard guard(claimLock_);
  return priority_;
}

bool TPNPumpRequestOperation::Claim(kelvra::TObject* AObject, uint32_t APriority) {
  std::lock_guard guard(claimLock_);
  if (APriority <= priority_) return false;
  priority_ = APriority;
  SetPumpObject(AObject);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Registration

void PNRegisterStreams(std::span<const TPNStreamTypeInfo> AInfos) {
  for (const auto& info : AInfos) PNRegisterStream(info);
}

void PNRegisterStream(const TPNStreamTypeInfo& AInfo) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  auto known = std::find_if(registry.streams.begin(), registry.streams.end(),
                            [&](const auto& info) { return info.TypeID == AInfo.TypeID; });
  if (known != registry.streams.end())
    *known = AInfo;
  else
    registry.streams.push_back(AInfo);
}

void PNUnregisterStreams(std::span<const TPNStreamTypeInfo> AInfos) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const auto& gone : AInfos)
    std::erase_if(registry.streams, [&](const auto& info) { return info.TypeID == gone.TypeID; });
}

std::optional<TPNStreamTypeInfo> PNFindStream(const kelvra::TGUID& ATypeID) {
  // The framework's own types, known without registration.
  static constexpr TPNStreamTypeInfo kFrameworkStreams[] = {
      {IPNRealStream::IID, "Real"},           {IPNFloatStream::IID, "Float"},
      {IPNIntegerStream::IID, "Integer"},     {IPNInt64Stream::IID, "Int64"},
      {IPNUnsignedStream::IID, "Unsigned"},   {IPNUInt64Stream::IID, "UInt64"},
      {IPNRealComplexStream::IID, "Real Complex"}, {IPNByteStream::IID, "Byte"},
      {IPNCharStream::IID, "Char"},           {IPNColorStream::IID, "Color"},
      {IPNAlphaColorStream::IID, "Alpha Color"}, {IPNDateTimeStream::IID, "Date Time"},
      {IPNDateStream::IID, "Date"},           {IPNTimeStream::IID, "Time"},
      {IPNBoolStream::IID, "Boolean"},        {IPNStringStream::IID, "String"},
      {IPNClockStream::IID, "Clock"},         {IPNRealListStream::IID, "Real List"},
      {IPNIntegerListStream::IID, "Integer List"}};
  {
    TRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    for (const auto& info : registry.streams)
      if (info.TypeID == ATypeID) return info;
  }
  for (const auto& info : kFrameworkStreams)
    if (info.TypeID == ATypeID) return info;
  return std::nullopt;
}

std::vector<TPNStreamTypeInfo> PNRegisteredStreams() {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  return registry.streams;
}

std::span<const uint8_t> PNGetStreamImage(const kelvra::TGUID& ATypeID) {
  const auto info = PNFindStream(ATypeID);
  return info ? info->Image : std::span<const uint8_t>();
}

void PNRegisterDefaultHandler(const kelvra::TGUID& ATypeID, TPNNotificationHandler AHandler) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  registry.defaultHandlers[ATypeID] = std::move(AHandler);
}

void PNUnregisterDefaultHandler(const kelvra::TGUID& ATypeID) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  registry.defaultHandlers.erase(ATypeID);
}

TPNNotificationHandler PNGetDefaultHandler(const kelvra::TGUID& ATypeID) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  const auto found = registry.defaultHandlers.find(ATypeID);
  return found != registry.defaultHandlers.end() ? found->second : TPNNotificationHandler();
}

void PNRegisterTypeConverters(std::span<const kelvra::TClassRef* const> AClasses) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const kelvra::TClassRef* converter : AClasses) {
    KELVRA_ASSERT(converter->InheritsFrom(TPNFormatConverter::ClassRef));
    if (std::find(registry.converters.begin(), registry.converters.end(), converter) ==
        registry.converters.end())
      registry.converters.push_back(converter);
  }
}

void PNUnregisterTypeConverters(std::span<const kelvra::TClassRef* const> AClasses) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const kelvra::TClassRef* converter : AClasses) std::erase(registry.converters, converter);
}

std::vector<const kelvra::TClassRef*> PNRegisteredTypeConverters() {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  return registry.converters;
}

TPNNotifyResult PNForward(TPNPin* ASender, IPNStream* AStream, const kelvra::TGUID& AType,
                          const TPNOperation& AOperation, TPNNotifyState AState) {
  return AStream->DispatchOperation(ASender, AType, AOperation, AState);
}

TPNNotifyResult PNForwardData(TPNPin* ASender, IPNStream* AStream, const kelvra::TGUID& AType,
                              const TPNOperation& AOperation, TPNNotifyState AState) {
  return AState.Contains(nsConnecting) ? TPNNotifyResult{}
                                       : PNForward(ASender, AStream, AType, AOperation, AState);
}

TPNOwnerSetter PinCustomOwnerSetter(kelvra::TComponent* AOwner, std::string AName) {
  return [AOwner, AName = std::move(AName)](TPNPin& APin) { APin.SetOwner(AOwner, AName); };
}

TPNOwnerSetter PinCustomPathSetter(kelvra::TComponent* AOwner, std::string APath) {
  return PinCustomOwnerSetter(AOwner, std::move(APath));
}

// ---------------------------------------------------------------------------------------------
// Pins

TPNPin::TPNPin(const TPNOwnerSetter& AOwnerSetter, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
               TPNBasicPinNotificationEvent AOnNotification)
    : lock_(std::move(ALock)), onNotification_(std::move(AOnNotification)) {
  if (AOwnerSetter) AOwnerSetter(*this);
}

TPNPin::~TPNPin() {
  // The derived parts are gone: the connections end without this pin's own hooks.
  for (auto [source, sink] : ConnectionEnds(false)) EndConnection(*source, *sink);
}

std::vector<std::pair<TPNPin*, TPNPin*>> TPNPin::ConnectionEnds(bool AOutgoing) const {
  std::vector<std::pair<TPNPin*, TPNPin*>> ends;
  std::lock_guard guard(ConnectionLock());
  for (const auto& input : inputs_) ends.emplace_back(&input->SourcePin(), &input->SinkPin());
  std::lock_guard lock(linksLock_);
  for (const TPNLink& link : *linkList_)
    if (!AOutgoing || IsSource())
      ends.emplace_back(&link.Connection->SourcePin(), &link.Connection->SinkPin());
  return ends;
}

void TPNPin::SetOwner(kelvra::TComponent* AOwner, std::string AName) {
  ownerComponent_ = AOwner;
  name_ = std::move(AName);
}

std::string TPNPin::FullName() const {
  return ownerComponent_ ? ownerComponent_->GetName() + "." + name_ : name_;
}

void TPNPin::AddType(const kelvra::TGUID& AType, TPNNotificationHandler AHandler, bool AFirst) {
  std::lock_guard guard(typesLock_);
  const auto known = std::find_if(types_.begin(), types_.end(), [&](const TTypeEntry& entry) {
    return !entry.Populate && entry.Type == AType;
  });
  if (known != types_.end()) {
    known->Handler = std::move(AHandler);
    return;
  }
  TTypeEntry entry{AType, std::move(AHandler)};
  if (AFirst)
    types_.insert(types_.begin(), std::move(entry));
  else
    types_.push_back(std::move(entry));
}

void TPNPin::PopulateTypes(TPNNotificationHandler AHandler, bool AFirst) {
  // The class is not complete while its constructors run: the types it names are looked up
  // when they are first needed.
  std::lock_guard guard(typesLock_);
  TTypeEntry entry{{}, std::move(AHandler), true};
  if (AFirst)
    types_.insert(types_.begin(), std::move(entry));
  else
    types_.push_back(std::move(entry));
}

void TPNPin::ClearTypes() {
  std::lock_guard guard(typesLock_);
  types_.clear();
}

void TPNPin::ExpandTypes() const {
  for (size_t i = 0; i < types_.size(); ++i) {
    if (!types_[i].Populate) continue;
    const TPNNotificationHandler handler = types_[i].Handler;
    types_.erase(types_.begin() + ptrdiff_t(i));
    std::vector<const kelvra::TClassRef*> classes;
    for (const kelvra::TClassRef* c = &ClassType(); c; c = c->Parent()) classes.push_back(c);
    size_t at = i;
    for (auto c = classes.rbegin(); c != classes.rend(); ++c)
      for (const kelvra::TGUID& type : (*c)->Attributes().StreamTypes) {
        const bool known = std::any_of(types_.begin(), types_.end(), [&](const TTypeEntry& e) {
          return !e.Populate && e.Type == type;
        });
        if (!known) types_.insert(types_.begin() + ptrdiff_t(at++), TTypeEntry{type, handler});
      }
    i = at - 1;
  }
}

std::vector<std::pair<kelvra::TGUID, TPNNotificationHandler>> TPNPin::Types() const {
  std::lock_guard guard(typesLock_);
  ExpandTypes();
  std::vector<std::pair<kelvra::TGUID, TPNNotificationHandler>> types;
  for (const TTypeEntry& entry : types_) types.emplace_back(entry.Type, entry.Handler);
  return types;
}

bool TPNPin::AcceptsType(const kelvra::TGUID& AType) const {
  std::lock_guard guard(typesLock_);
  ExpandTypes();
  return std::any_of(types_.begin(), types_.end(),
                     [&](const TTypeEntry& entry) { return entry.Type == AType; });
}

TPNNotificationHandler TPNPin::HandlerFor(const kelvra::TGUID& AType) const {
  TPNNotificationHandler handler;
  {
    std::lock_guard guard(typesLock_);
    ExpandTypes();
    const auto entry = std::find_if(types_.begin(), types_.end(),
                                    [&](const TTypeEntry& e) { return e.Type == AType; });
    if (entry != types_.end())
      handler = entry->Handler;
    else if (!types_.empty())  // a type the pin answers a query for: its first type's handler
      handler = types_.front().Handler;
  }
  if (!handler) handler = PNGetDefaultHandler(AType);
  return handler ? handler : TPNNotificationHandler(&PNForward);
}

TPNNotificationHandler TPNPin::HandlerForLink(const kelvra::TGUID& AType, TPNPin&) const {
  return HandlerFor(AType);
}

TPNLink TPNPin::MakeLink(TPNPin& APeer, const kelvra::TGUID& AType,
                         TPNConnection& AConnection) const {
  TPNLink link{&APeer, &APeer, AType, HandlerForLink(AType, APeer), false, &AConnection};
  // The two forwarding handlers become the link's own direct route.
  if (const auto* function = link.Handler.target<decltype(&PNForward)>();
      function && (*function == &PNForward || *function == &PNForwardData)) {
    link.DataOnly = *function == &PNForwardData;
    link.Handler = nullptr;
  }
  return link;
}

TPNNotifyResult TPNPin::Notify(const TPNOperation& AOperation) {
  TDeliveryGuard guard(*this, deliveryLock_);
  const TLinks& links = *links_.load(std::memory_order_acquire);
  TPNNotifyResult result;
  for (size_t i = 0; i < links.size(); ++i) {
    const TPNNotifyState state =
        i + 1 == links.size() ? TPNNotifyState{nsLastReceiver} : TPNNotifyState{};
    result |= Deliver(*this, links[i], AOperation, state);
  }
  return result;
}

TPNNotifyResult TPNPin::NotifyPin(TPNPin* APeer, const TPNOperation& AOperation) {
  return NotifyPin(APeer, AOperation, {nsLastReceiver});
}

TPNNotifyResult TPNPin::NotifyPin(TPNPin* APeer, const TPNOperation& AOperation,
                                  TPNNotifyState AState) {
  TDeliveryGuard guard(*this, deliveryLock_);
  std::optional<TPNLink> link;
  {
    std::lock_guard lock(linksLock_);
    for (const TLinks* list : {linkList_.get(), static_cast<const TLinks*>(&disconnecting_)})
      for (const TPNLink& candidate : *list)
        if (!link && candidate.Peer == APeer) link = candidate;
  }
  return link ? Deliver(*this, *link, AOperation, AState) : TPNNotifyResult{};
}

TPNNotifyResult TPNPin::DispatchOperation(TPNPin* ASender, const kelvra::TGUID& AType,
                                          const TPNOperation& AOperation, TPNNotifyState AState) {
  return onNotification_ ? onNotification_(this, ASender, AType, AOperation, AState)
                         : TPNNotifyResult{};
}

std::vector<TPNPin*> TPNPin::LinkedPins() const {
  std::lock_guard lock(linksLock_);
  std::vector<TPNPin*> pins;
  for (const TPNLink& link : *linkList_) pins.push_back(link.Peer);
  return pins;
}

std::vector<kelvra::TGUID> TPNPin::DownStreamIDs() const {
  // As a delivery does: a disconnect waits until the connections are read.
  TDeliveryGuard guard(*this, deliveryLock_);
  std::vector<kelvra::TGUID> types;
  for (const TPNLink& link : *links_.load(std::memory_order_acquire))
    types.push_back(link.Connection->SinkType());
  return types;
}

int32_t TPNPin::LinkCount() const {
  return linkCount_.load(std::memory_order_acquire);
}

bool TPNPin::IsConnectedByIDs(std::span<const kelvra::TGUID> ATypes) const {
  std::lock_guard lock(linksLock_);
  return std::any_of(linkList_->begin(), linkList_->end(), [&](const TPNLink& link) {
    return std::find(ATypes.begin(), ATypes.end(), link.Type) != ATypes.end();
  });
}

std::string TPNPin::MakeShortName(std::string_view AName) const {
  constexpr std::string_view suffix = "Pin";
  if (AName.size() > suffix.size() && AName.ends_with(suffix)) AName.remove_suffix(suffix.size());
  return std::string(AName);
}

void TPNPin::AddLink(TPNLink ALink) {
  std::lock_guard lock(linksLock_);
  auto links = std::make_unique<TLinks>(*linkList_);
  links->push_back(std::move(ALink));
  ReplaceLinks(std::move(links));
}

std::optional<TPNLink> TPNPin::RemoveLink(TPNPin* APeer) {
  std::lock_guard lock(linksLock_);
  auto links = std::make_unique<TLinks>(*linkList_);
  const auto found = std::find_if(links->begin(), links->end(),
                                  [&](const TPNLink& link) { return link.Peer == APeer; });
  if (found == links->end()) return std::nullopt;
  TPNLink removed = *found;
  links->erase(found);
  ReplaceLinks(std::move(links));
  return removed;
}

void TPNPin::ReplaceLinks(std::unique_ptr<const TLinks> AList) {
  links_.store(AList.get(), std::memory_order_release);
  linkCount_.store(int32_t(AList->size()), std::memory_order_release);
  replacedLinks_.push_back(std::exchange(linkList_, std::move(AList)));
  // Taking the delivery lock alone waits for nothing here: it fails while a delivery runs (this
  // thread's own included), and the lists are then freed by a later change or by Disconnect.
  if (std::unique_lock alone(deliveryLock_, std::try_to_lock); alone) replacedLinks_.clear();
}

void TPNPin::WaitForDeliveries() {
  if (IsDeliveringHere(this)) return;
  std::unique_lock wait(deliveryLock_);
  std::lock_guard lock(linksLock_);
  replacedLinks_.clear();
}

void TPNPin::IntConnect(TPNPin&) {}
void TPNPin::IntConnectAfter(TPNPin&) {}
void TPNPin::BeforeDisconnect(TPNPin&) {}
void TPNPin::IntDisconnect(TPNPin&) {}
void TPNPin::SetDataTypeFor(TPNPin&, const kelvra::TGUID&) {}

void TPNPin::ChainReconnect() {
  for (auto [source, sink] : ConnectionEnds(true)) {
    Disconnect(*source, *sink);
    Connect(*source, *sink);
  }
}

std::string TPNPin::SourceNames() const {
  std::lock_guard guard(inputsLock_);
  std::string names;
  for (const auto& input : inputs_)
    names += (names.empty() ? "" : ", ") + input->SourcePin().FullName();
  return names;
}

void TPNPin::DefineProperties(kelvra::TFiler& AFiler) {
  TPersistent::DefineProperties(AFiler);
  if (IsSource()) return;
  const std::string names = SourceNames();
  AFiler.DefineProperty(
      "SourcePin",
      [this](kelvra::TReader& AReader) {
        kelvra::TComponent& root = AReader.Root();
        AReader.AddFixup([this, &root, text = AReader.ReadString()] {
          for (size_t start = 0; start < text.size();) {
            const size_t end = std::min(text.find(", ", start), text.size());
            const std::string name = text.substr(start, end - start);
            TPNPin* source = FindPin(root, name);
            if (!source) throw EPNConnectError("Pin " + name + " not found");
            Connect(*source, *this);
            start = end + 2;
          }
        });
      },
      [names](kelvra::TWriter& AWriter) { AWriter.WriteString(names); }, !names.empty());
}

void TPNPin::IntConnectSourcePin(TPNPin& ASource) {
  const auto plan = Negotiate(ASource, *this);
  if (!plan)
    throw EPNConnectError("Cannot connect " + DescribePin(ASource) + " to " + DescribePin(*this) +
                          ": no stream type or converter fits both");
  auto& sink = static_cast<TPNSinkPin&>(*this);
  if (auto* limited = dynamic_cast<TPNBasicDispatchSourcePin*>(&ASource);
      limited && limited->MaxSinks() >= 0 && ASource.LinkCount() >= limited->MaxSinks())
    throw EPNConnectError("Cannot connect " + ASource.FullName() + " to " + FullName() +
                          ": the source takes no more than " +
                          std::to_string(limited->MaxSinks()) + " sinks");
  if (!sink.IsMultiSink())
    for (TPNPin* former : sink.SourcePins()) Disconnect(*former, *this);

  auto connection = std::make_unique<TPNConnection>();
  connection->source_ = &ASource;
  connection->sink_ = this;
  connection->sourceType_ = plan->sourceType;
  connection->sinkType_ = plan->sinkType;
  TPNPin* sourcePeer = this;  // the pin the source is linked to
  TPNPin* sinkPeer = &ASource;  // the pin this sink is linked to
  if (plan->converter) {
    connection->converter_.reset(plan->converter->Create<TPNFormatConverter*()>());
    TPNFormatConverter& converter = *connection->converter_;
    sourcePeer = &converter.Sink();
    sinkPeer = &converter.Source();
    converter.Sink().AddLink(converter.Sink().MakeLink(ASource, plan->sourceType, *connection));
    converter.Source().AddLink(converter.Source().MakeLink(*this, plan->sinkType, *connection));
  }
  ASource.AddLink(ASource.MakeLink(*sourcePeer, plan->sourceType, *connection));
  AddLink(MakeLink(*sinkPeer, plan->sinkType, *connection));
  {
    std::lock_guard lock(inputsLock_);
    inputs_.push_back(std::move(connection));
  }
  ASource.SetDataTypeFor(*sourcePeer, plan->sourceType);
  SetDataTypeFor(*sinkPeer, plan->sinkType);
}

void Connect(TPNPin& ASource, TPNPin& ASink) {
  if (&ASource == &ASink)
    throw EPNConnectError("Cannot connect " + ASource.FullName() + " to itself");
  if (ASource.IsSource() == ASink.IsSource())
    throw EPNConnectError("Cannot connect " + ASource.FullName() + " to " + ASink.FullName() +
                          ": both are " + (ASource.IsSource() ? "source" : "sink") + " pins");
  if (!ASource.IsSource()) return Connect(ASink, ASource);

  std::lock_guard guard(ConnectionLock());
  const auto sources = static_cast<TPNSinkPin&>(ASink).SourcePins();
  if (std::find(sources.begin(), sources.end(), &ASource) != sources.end()) return;
  ASink.IntConnectSourcePin(ASource);
  const TPNConnection& connection = *ASink.inputs_.back();
  TPNPin& sourcePeer = connection.Converter() ? connection.Converter()->Sink() : ASink;
  TPNPin& sinkPeer = connection.Converter() ? connection.Converter()->Source() : ASource;
  ASource.IntConnect(sourcePeer);
  ASink.IntConnect(sinkPeer);
  ASource.IntConnectAfter(sourcePeer);
  ASink.IntConnectAfter(sinkPeer);
}

void Disconnect(TPNPin& ASource, TPNPin& ASink) {
  if (!ASource.IsSource() && ASink.IsSource())
    TPNPin::EndConnection(ASink, ASource);
  else
    TPNPin::EndConnection(ASource, ASink);
}

void TPNPin::EndConnection(TPNPin& ASource, TPNPin& ASink) {
  std::unique_ptr<TPNConnection> connection;
  TPNPin* sourcePeer = nullptr;
  {
    std::lock_guard guard(ConnectionLock());
    auto& inputs = ASink.inputs_;
    const auto found = std::find_if(inputs.begin(), inputs.end(), [&](const auto& input) {
      return &input->SourcePin() == &ASource;
    });
    if (found == inputs.end()) return;
    TPNFormatConverter* converter = (*found)->Converter();
    sourcePeer = converter ? &converter->Sink() : &ASink;
    TPNPin* sinkPeer = converter ? &converter->Source() : &ASource;
    ASource.BeforeDisconnect(*sourcePeer);
    ASink.BeforeDisconnect(*sinkPeer);
    if (auto link = ASource.RemoveLink(sourcePeer)) {
      std::lock_guard lock(ASource.linksLock_);
      ASource.disconnecting_.push_back(*link);
    }
    ASink.RemoveLink(sinkPeer);
    std::lock_guard lock(ASink.inputsLock_);
    connection = std::move(*found);
    inputs.erase(found);
  }
  // Outside the connection lock: a delivery in flight may itself be connecting.
  ASource.WaitForDeliveries();
  ASink.WaitForDeliveries();
  if (TPNFormatConverter* converter = connection->Converter()) {
    converter->Sink().WaitForDeliveries();
    converter->Source().WaitForDeliveries();
  }
  struct TForget {
    TPNPin& source;
    TPNPin* peer;
    ~TForget() {
      std::lock_guard lock(source.linksLock_);
      auto& list = source.disconnecting_;
      const auto link = std::find_if(list.begin(), list.end(),
                                     [&](const TPNLink& l) { return l.Peer == peer; });
      if (link != list.end()) list.erase(link);
    }
  } forget{ASource, sourcePeer};
  ASource.IntDisconnect(*sourcePeer);
  // A converter passes the source's last operations on until here.
  if (TPNFormatConverter* converter = connection->Converter()) {
    converter->Sink().RemoveLink(&ASource);
    converter->Source().RemoveLink(&ASink);
  }
}

TPNPin* FindPin(kelvra::TComponent& ARoot, std::string_view AText) {
  const size_t dot = AText.find('.');
  if (dot == std::string_view::npos) return nullptr;
  const std::string_view componentName = AText.substr(0, dot);
  const bool isRoot = std::equal(
      componentName.begin(), componentName.end(), ARoot.GetName().begin(), ARoot.GetName().end(),
      [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
  kelvra::TPersistent* object = isRoot ? &ARoot : ARoot.FindComponent(componentName);
  for (std::string_view path = AText.substr(dot + 1); object && !path.empty();) {
    const size_t end = std::min(path.find('.'), path.size());
    const std::string_view name = path.substr(0, end);
    kelvra::TPersistent* next = nullptr;
    for (const kelvra::TPropertyInfo* info : kelvra::PublishedProperties(object->ClassType()))
      if (info->Kind() == kelvra::pkObject && info->Name() == name) next = info->GetObject(*object);
    object = next;
    path = end < path.size() ? path.substr(end + 1) : std::string_view();
  }
  return dynamic_cast<TPNPin*>(object);
}

// ---------------------------------------------------------------------------------------------
// Pin classes

TPNClockSourcePin::TPNClockSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                     kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                     TPNBasicPinNotificationEvent AOnNotification)
    : TPNDispatchSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)) {
  AddType(IPNClockStream::IID, &PNForward);
}

bool TPNClockSourcePin::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TPNClockSourcePin, IPNClockStream>(this, iid, out) ||
         TPNDispatchSourcePin::QueryInterface(iid, out);
}

void TPNStatePin::IntConnectAfter(TPNPin& APeer) {
  TPNDispatchSourcePin::IntConnectAfter(APeer);
  NotifyPin(&APeer, TPNNotifyOperation::Create(TPNConnectOperation::ClassRef), {nsConnecting});
}

TPNClockMultiSinkPin::TPNClockMultiSinkPin(const TPNOwnerSetter& AOwnerSetter,
                                           kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                                           TPNBasicPinNotificationEvent AOnNotification)
    : TPNDispatchMultiSinkPin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)) {
  AddType(IPNClockStream::IID, &PNForward);
}

bool TPNClockMultiSinkPin::QueryInterface(const kelvra::TGUID& iid, void** out) {
  return AnswerInterfaces<TPNClockMultiSinkPin, IPNClockStream>(this, iid, out) ||
         TPNDispatchMultiSinkPin::QueryInterface(iid, out);
}

kelvra::TGUID TPNSinkPin::GetConnectedID() const {
  std::lock_guard guard(inputsLock_);
  return inputs_.empty() ? kelvra::TGUID{} : inputs_.front()->SourceType();
}

kelvra::TGUID TPNSinkPin::GetDownStreamID() const {
  std::lock_guard guard(inputsLock_);
  return inputs_.empty() ? kelvra::TGUID{} : inputs_.front()->SinkType();
}

std::vector<TPNPin*> TPNSinkPin::SourcePins() const {
  std::lock_guard guard(inputsLock_);
  std::vector<TPNPin*> sources;
  for (const auto& input : inputs_) sources.push_back(&input->SourcePin());
  return sources;
}

const TPNFormatConverter* TPNSinkPin::ConverterFrom(const TPNPin& ASource) const {
  std::lock_guard guard(inputsLock_);
  for (const auto& input : inputs_)
    if (&input->SourcePin() == &ASource) return input->Converter();
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Format converters

TPNFormatConverter::~TPNFormatConverter() = default;

void TPNFormatConverter::SetPins(std::unique_ptr<TPNPin> ASink, std::unique_ptr<TPNPin> ASource) {
  KELVRA_ASSERT(!ASink->IsSource() && ASource->IsSource());
  sink_ = std::move(ASink);
  source_ = std::move(ASource);
}

TPNBasicPinNotificationEvent TPNFormatConverter::SourceOperationEvent() {
  return [this](TPNPin*, TPNPin*, const kelvra::TGUID&, const TPNOperation& AOperation,
                TPNNotifyState) { return sink_->Notify(AOperation); };
}

}  // namespace pinweave
