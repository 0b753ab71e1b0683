#include <gtest/gtest.h>

#include <string>

#include "temp_machine.h"
#include "ui/core/setting_stores.h"
#include "ui/core/settings_file.h"

using vm4k2ui::ConfigObject;
using vm4k2ui::ParseSettingsBytes;
using vm4k2ui::SerializeSettings;

namespace {

const std::string kNewFile =
    "<object:cfgobj,type:null,len:0,childobjs:1>\n"
    "<object:version,type:string,len:6,childobjs:0>1.001" + std::string(1, '\0') +
    "<endobj>\n"
    "<endobj>\n";

vm4k2ui::SettingsParse Parse(const std::string& text) {
  return ParseSettingsBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string Describe(const ConfigObject& object) {
  std::string out = object.name + "/" + object.type + "/" + std::to_string(object.value.size());
  if (!object.children.empty()) {
    out += "{";
    for (size_t i = 0; i < object.children.size(); ++i) out += (i ? " " : "") + Describe(*object.children[i]);
    out += "}";
  }
  return out;
}

}  // namespace

TEST(SettingsFile, NewFileIsExactlyTheRootAndItsVersion) {
  EXPECT_EQ(SerializeSettings(*vm4k2ui::NewSettingsTree()), kNewFile);
}

TEST(SettingsFile, OneObjectOfEachTypeIsWrittenAndReadBack) {
  auto root = vm4k2ui::NewSettingsTree();
  ConfigObject* ui = ConfigObject::AddChild(root.get(), u"UIParam", "null", nullptr, 0);
  // A value holding a closing line is counted, not scanned.
  const std::string value = "ab<endobj>\n\x01";
  ConfigObject::AddChild(ui, u"Bin\u00e9", "binary", value.data(), static_cast<int32_t>(value.size()));
  ConfigObject::AddChild(ui, u"Str", "string", "x", 2);
  const std::string expected = std::string("<object:cfgobj,type:null,len:0,childobjs:2>\n") +
                               "<object:version,type:string,len:6,childobjs:0>1.001" + std::string(1, '\0') +
                               "<endobj>\n"
                               "<object:UIParam,type:null,len:0,childobjs:2>\n"
                               "<object:Bin\xc3\xa9,type:binary,len:12,childobjs:0>ab<endobj>\n\x01<endobj>\n"
                               "<object:Str,type:string,len:2,childobjs:0>x" + std::string(1, '\0') +
                               "<endobj>\n"
                               "<endobj>\n"
                               "<endobj>\n";
  std::string text = SerializeSettings(*root);
  EXPECT_EQ(text, expected);
  auto parsed = Parse(text);
  ASSERT_TRUE(parsed.root);
  EXPECT_EQ(SerializeSettings(*parsed.root), expected);
  ConfigObject* found = ConfigObject::FindChild(ConfigObject::FindChild(parsed.root.get(), u"UIParam"), u"Bin\u00e9");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found->value.begin(), found->value.end()), value);
}

TEST(SettingsFile, ChildCountAndLengthAlwaysMatchWhatIsWritten) {
  auto root = vm4k2ui::NewSettingsTree();
  ConfigObject* parent = ConfigObject::AddChild(root.get(), u"p", "string", "val", 3);
  ConfigObject::AddChild(parent, u"a", "null", nullptr, 0);
  ConfigObject::AddChild(parent, u"b", "null", nullptr, 0);
  ASSERT_TRUE(ConfigObject::RemoveChild(parent, u"a"));
  std::string text = SerializeSettings(*root);
  // The removed child is not counted, and an object with children announces no value.
  EXPECT_NE(text.find("<object:p,type:string,len:0,childobjs:1>\n<object:b,"), std::string::npos) << text;
  auto parsed = Parse(text);
  ASSERT_TRUE(parsed.root);
  EXPECT_EQ(Describe(*parsed.root), "cfgobj/null/0{version/string/6 p/string/0{b/null/0}}");
}

struct DamageCase {
  const char* what;
  std::string text;
  const char* tree;  // Describe() of the root, or "" for no root
  bool truncated;
};

TEST(SettingsFile, DamagedFilesKeepWhatIsSound) {
  const std::string nul(1, '\0');
  const std::string head = "<object:cfgobj,type:null,len:0,childobjs:2>\n<object:version,type:string,len:6,childobjs:0>1.001" + nul + "<endobj>\n";
  const DamageCase cases[] = {
      {"truncated in the root header", "<object:cfgobj,type:nu", "", false},
      {"truncated in a header", head + "<object:x,type:bin", "cfgobj/null/0{version/string/6}", false},
      {"truncated in a value", head + "<object:x,type:binary,len:10,childobjs:0>abc", "cfgobj/null/0{version/string/6}", true},
      {"len larger than the file", head + "<object:x,type:binary,len:2147483647,childobjs:0>ab<endobj>\n<endobj>\n",
       "cfgobj/null/0{version/string/6}", true},
      {"child count that lies", "<object:cfgobj,type:null,len:0,childobjs:9>\n<object:a,type:null,len:0,childobjs:5>\n<endobj>\n<endobj>\n",
       "cfgobj/null/0{a/null/0}", false},
      {"header over 255 bytes", head + "<object:" + std::string(300, 'n') + ",type:null,len:0,childobjs:0>\n<endobj>\n<object:ok,type:null,len:0,childobjs:0>\n<endobj>\n<endobj>\n",
       // the next '<' is the dropped object's own closing line, which then closes the root
       "cfgobj/null/0{version/string/6}", false},
      {"extra endobj after the root", head + "<endobj>\n<endobj>\n<object:evil,type:null,len:0,childobjs:0>\n<endobj>\n",
       "cfgobj/null/0{version/string/6}", false},
      {"name with angle brackets", head + "<object:a>b,type:null,len:0,childobjs:0>\n<endobj>\n<endobj>\n",
       "cfgobj/null/0{version/string/6 a>b/null/0}", false},
      {"non-numeric length", head + "<object:x,type:binary,len:zz,childobjs:0>\n<endobj>\n<endobj>\n",
       "cfgobj/null/0{version/string/6}", false},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto parsed = Parse(c.text);
    EXPECT_EQ(parsed.root ? Describe(*parsed.root) : std::string(), c.tree);
    EXPECT_EQ(parsed.truncated, c.truncated);
  }
}

TEST(SettingsFile, NamesThatAreNotUtf8StayButCannotBeFound) {
  const std::string nul(1, '\0');
  std::string text = "<object:cfgobj,type:null,len:0,childobjs:2>\n<object:\xff\xfe,type:null,len:0,childobjs:0>\n<endobj>\n"
                     "<object:ok,type:null,len:0,childobjs:0>\n<endobj>\n<endobj>\n";
  auto parsed = Parse(text);
  ASSERT_TRUE(parsed.root);
  EXPECT_EQ(parsed.root->ChildCount(), 2);
  vm4k2ui::NameList names;
  EXPECT_EQ(ConfigObject::ChildNames(parsed.root.get(), &names, names.RowCount()), 1);
  EXPECT_TRUE(names.Contains(u"ok"));
  EXPECT_EQ(SerializeSettings(*parsed.root), text);  // kept in the file as it was
}

TEST(SettingsFile, OpenStartsANewFileAndKeepsAnUnusableOneAside) {
  testsupport::TempMachine machine;
  WCHAR path[vm4k2ui::kSettingsPathUnits];
  ASSERT_TRUE(vm4k2ui::GetSettingsFilePath(path, vm4k2ui::kSettingsPathUnits));
  std::u16string p(reinterpret_cast<const char16_t*>(path));
  EXPECT_EQ(p, u"C:\\Users\\User\\AppData\\Roaming\\Velmor\\vm4k2\\k8100settings.dat");
  std::string host = machine.Host("drives/C/Users/User/AppData/Roaming/Velmor/vm4k2/k8100settings.dat");

  auto file = vm4k2ui::ConfigFile::Open(p);
  ASSERT_TRUE(file);
  file.reset();
  FILE* f = std::fopen(host.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string bytes(4096, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  std::fclose(f);
  EXPECT_EQ(bytes, kNewFile);

  // A file whose root lacks "version" is not thrown away: it moves to the .bak file.
  const std::string damaged = "<object:cfgobj,type:null,len:0,childobjs:0>\n<endobj>\n";
  f = std::fopen(host.c_str(), "wb");
  std::fwrite(damaged.data(), 1, damaged.size(), f);
  std::fclose(f);
  file = vm4k2ui::ConfigFile::Open(p);
  ASSERT_TRUE(file);
  EXPECT_NE(ConfigObject::FindChild(file->root(), u"version"), nullptr);
  f = std::fopen((host + ".bak").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string kept(4096, '\0');
  kept.resize(std::fread(kept.data(), 1, kept.size(), f));
  std::fclose(f);
  EXPECT_EQ(kept, damaged);
}
