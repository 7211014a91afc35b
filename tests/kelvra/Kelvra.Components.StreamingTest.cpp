#include "kelvra/Kelvra.Components.Streaming.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/kelvra/ComponentTestSupport.h"

namespace kelvra::testing {
namespace {

class StreamingTest : public ComponentTest {
 protected:
  // A root with property objects, a collection of two item classes, bytes, a reference to a
  // component read after it, and two levels of owned components.
  static TOwnedComponent<TDemoComponent> MakeTree() {
    TOwnedComponent<TDemoComponent> root(Make(nullptr, "Root"));
    root->Settings()->SetTitle("Main mix");
    root->Settings()->SetMode(dmFast);
    root->Settings()->SetLevel(0.25f);
    TDemoItem* left = root->Items()->Add();
    left->SetCaption("Left");
    left->SetWeight(0.5);
    auto* right = static_cast<TDemoSpecialItem*>(root->Items()->Add(TDemoSpecialItem::ClassRef));
    right->SetCaption("Right");
    right->SetExtra(true);
    root->blob = {0, 1, 2, 255};
    TDemoComponent* meter = Make(root.get(), "Meter1");
    meter->Settings()->SetActive(false);
    meter->Settings()->SetBig(-5);
    root->SetPartner(Make(root.get(), "Meter2"));
    Make(root->partner, "Needle");
    return root;
  }

  static constexpr std::string_view kTreeText = R"(class: TDemoComponent
name: Root
properties:
  Settings:
    Title: "Main mix"
    Level: 0.25
    Mode: dmFast
  Items:
    - Caption: "Left"
      Weight: 0.5
    - class: TDemoSpecialItem
      Caption: "Right"
      Extra: true
  _Blob: !!binary "AAEC/w=="
  _Partner: "Meter2"
components:
  - class: TDemoComponent
    name: Meter1
    properties:
      Settings:
        Level: 0
        Big: -5
        Active: false
  - class: TDemoComponent
    name: Meter2
    properties:
      Settings:
        Level: 0
    components:
      - class: TDemoComponent
        name: Needle
        properties:
          Settings:
            Level: 0
...
)";
};

TEST_F(StreamingTest, ATreeIsWrittenWithoutItsDefaultsAndReadBackEqual) {
  const std::string text = WriteComponentYaml(*MakeTree());
  EXPECT_EQ(text, kTreeText);

  TDemoComponent::Log().clear();
  TOwnedComponent<TComponent> read = ReadComponentYaml(text);
  EXPECT_EQ(WriteComponentYaml(*read), text);
  auto& root = static_cast<TDemoComponent&>(*read);
  EXPECT_EQ(root.partner, root.FindComponent("Meter2"));  // found once the whole tree was read
  EXPECT_EQ(root.blob, (std::vector<uint8_t>{0, 1, 2, 255}));
  EXPECT_EQ(&root.Items()->Items(1)->ClassType(), &TDemoSpecialItem::ClassRef);
  EXPECT_FALSE(root.ComponentState().Contains(csLoading));
  // Loaded comes last, in reading order, and starts each component.
  const std::vector<std::string> loading(TDemoComponent::Log().end() - 8, TDemoComponent::Log().end());
  EXPECT_EQ(loading, (std::vector<std::string>{"Root: loaded", "Root: start false", "Meter1: loaded",
                                               "Meter1: start false", "Meter2: loaded",
                                               "Meter2: start false", "Needle: loaded",
                                               "Needle: start false"}));
}

TEST_F(StreamingTest, AComponentAtItsDefaultsWritesOnlyWhatHasNoDefault) {
  TOwnedComponent<TDemoComponent> component(Make(nullptr, ""));
  component->Settings()->SetTitle("changed");
  component->Settings()->SetTitle("untitled");
  component->Items()->Add();  // an item at its defaults is still an item
  EXPECT_EQ(WriteComponentYaml(*component),
            "class: TDemoComponent\nproperties:\n  Settings:\n    Level: 0\n  Items:\n    - {}\n...\n");
}

TEST_F(StreamingTest, BadTextIsRefusedAtItsPlaceAndLeavesNothingBehind) {
  const struct {
    const char* text;
    int32_t line, column;
    const char* message;
  } rows[] = {
      {"class: TNope\n...\n", 1, 8, "Class TNope not found"},
      {"class: TDemoSpecialItem\n...\n", 1, 8, "TDemoSpecialItem is not a TComponent"},
      {"name: X\n...\n", 1, 1, "The component has no class"},
      {"class: TDemoComponent\nowner: X\n...\n", 2, 1, "Unknown key owner"},
      {"class: TDemoComponent\nname: A\nname: B\n...\n", 3, 1, "name is given twice"},
      {"class: TDemoComponent\nproperties:\n  Nope: 1\n...\n", 3, 3,
       "Property Nope does not exist in TDemoComponent"},
      {"class: TDemoComponent\nproperties:\n  Settings:\n    Count: many\n...\n", 4, 12,
       "'many' is not a valid integer value"},
      {"class: TDemoComponent\nproperties:\n  Settings: 5\n...\n", 3, 13,
       "The properties of Settings (a mapping) expected"},
      {"class: TDemoComponent\nproperties:\n  Settings:\n    Mode: [dmFast]\n...\n", 4, 11,
       "A value expected for Mode"},
      {"class: TDemoComponent\nproperties:\n  Items: {}\n...\n", 3, 10,
       "A sequence of items expected for Items"},
      {"class: TDemoComponent\nproperties:\n  Items:\n    - class: TDemoComponent\n...\n", 4, 14,
       "TDemoComponent is not a TDemoItem"},
      {"class: TDemoComponent\nproperties:\n  _Blob: !!binary \"%%%%\"\n...\n", 3, 10,
       "Base64 data expected for _Blob"},
      {"class: TDemoComponent\nproperties:\n  _Partner: Ghost\n...\n", 3, 13, "No component named Ghost"},
      {"class: TDemoComponent\ncomponents:\n  - {class: TDemoComponent, name: M}\n"
       "  - {class: TDemoComponent, name: m}\n...\n",
       4, 35, "A component named m already exists"},
      {"class: [TDemoComponent\n...\n", 2, 1, "end of sequence flow not found"},
      {"class: TDemoComponent\n", 2, 1, "The text ends before the document does"},
      {"", 1, 1, "The text ends before the document does"},
      {"class: TDemoComponent\n---\nclass: TDemoComponent\n...\n", 3, 1, "One document expected"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const int64_t live = TPersistent::LiveInstances();
    try {
      ReadComponentYaml(row.text);
      ADD_FAILURE() << "read";
    } catch (const EComponentStreamError& e) {
      EXPECT_EQ(e.Line(), row.line);
      EXPECT_EQ(e.Column(), row.column);
      EXPECT_NE(e.Message().find(row.message), std::string::npos) << e.Message();
    }
    EXPECT_EQ(TPersistent::LiveInstances(), live);
  }
}

// A text cut short anywhere is refused, however much of it is still a YAML document.
TEST_F(StreamingTest, TextCutShortIsRefusedWithoutLeaks) {
  const int64_t live = TPersistent::LiveInstances();
  for (size_t length = 0; length + 1 < kTreeText.size(); ++length) {
    SCOPED_TRACE(kTreeText.substr(0, length));
    EXPECT_THROW(ReadComponentYaml(kTreeText.substr(0, length)), EComponentStreamError);
    EXPECT_EQ(TPersistent::LiveInstances(), live);
  }
}

}  // namespace
}  // namespace kelvra::testing
