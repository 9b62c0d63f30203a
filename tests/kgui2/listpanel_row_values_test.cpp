// The values a row keeps of a copied record: every type the records hold gives back an equal
// record and shows, orders and reads as the record itself does (a list of the same records
// shared is the reference); edits through GetItemData show at once and stay; SetItemData replaces
// a row's values in every direction between copied and shared.
#include <cmath>
#include <cstring>
#include <random>

#include "kstdlib/strtools.h"
#include "listpanel_fixture.h"

using kgui::ListPanel;

namespace {

std::string Describe(KeyValues *node);

// Two trees are the same: names, escape flags, types, values and children in order.
bool SameTree(KeyValues *a, KeyValues *b) {
  if (strcmp(a->GetName(), b->GetName()) || a->UsesEscapeSequences() != b->UsesEscapeSequences() ||
      a->GetDataType() != b->GetDataType())
    return false;
  switch (a->GetDataType()) {
    case KeyValues::TYPE_NONE: {
      KeyValues *childA = a->GetFirstSubKey(), *childB = b->GetFirstSubKey();
      for (; childA && childB; childA = childA->GetNextKey(), childB = childB->GetNextKey())
        if (!SameTree(childA, childB)) return false;
      return !childA && !childB;
    }
    case KeyValues::TYPE_FLOAT: {
      const float fa = a->GetFloat(), fb = b->GetFloat();
      return memcmp(&fa, &fb, sizeof(fa)) == 0;
    }
    case KeyValues::TYPE_COLOR:
      return a->GetColor().GetRawColor() == b->GetColor().GetRawColor();
    case KeyValues::TYPE_PTR:
      return a->GetPtr() == b->GetPtr();
    default:
      // Texts, numbers and blobs as text, read from copies so that nothing converts in place.
      return Describe(a) == Describe(b);
  }
}

std::string Describe(KeyValues *node) {
  KeyValuesAD copy(node->MakeCopy());
  if (copy->GetDataType() == KeyValues::TYPE_WSTRING) {
    std::string units;
    for (const char16_t *unit = copy->GetWString(); *unit; ++unit) units += std::to_string(*unit) + ",";
    return units;
  }
  return copy->GetString();
}

int g_Pointee[4];

// A value of one of the types under `key`, chosen by `kind`.
void SetValue(KeyValues *record, const char *key, int kind, std::mt19937 &random) {
  static const char *const kTexts[] = {
      "", "a", "Harbor", "harbor #10", "exactly8", "\xc3\xa9t\xc3\xa9", "HARBOR and a long tail of text"};
  static const char16_t *const kWide[] = {u"", u"Wide", u"wide", u"\u00e9\u65e5\U0001F600",
                                          u"a longer wide text"};
  static const float kFloats[] = {0.0f, -0.0f, 1.5f, -2.25f, NAN, INFINITY, 1e-40f, 123456.78f};
  static const int kInts[] = {0, 1, -1, 7, 2147483647, -2147483647 - 1};
  switch (kind) {
    case 0:
      record->SetString(key, kTexts[random() % std::size(kTexts)]);
      break;
    case 1:
      record->SetWString(key, kWide[random() % std::size(kWide)]);
      break;
    case 2:
      record->SetInt(key, kInts[random() % std::size(kInts)]);
      break;
    case 3:
      record->SetFloat(key, kFloats[random() % std::size(kFloats)]);
      break;
    case 4:
      record->SetUint64(key, random() % 2 ? 18000000000000000000ull : random() % 5);
      break;
    case 5:
      record->SetPtr(key, random() % 4 ? &g_Pointee[random() % 4] : nullptr);
      break;
    case 6:
      record->SetColor(key,
                       Color(static_cast<int>(random() % 256), 0, 255, static_cast<int>(random() % 256)));
      break;
    default:
      // Kinds past the compact ones: the row keeps a whole record.
      if (kind == 7) record->SetInt64(key, random() % 2 ? -5000000000ll : 42);
      if (kind == 8) record->SetBinaryBlob(key, "blob\0bytes", 10);
      if (kind == 9) record->FindKey(key, true)->SetString("inner", "sub");
      break;
  }
}

constexpr int kKinds = 10;
const char *const kColumns[] = {"text", "wide", "int", "float", "u64", "ptr", "color", "mixed", "image", ""};

class ListPanelRowValuesTest : public ListPanelTest {
 protected:
  ListPanelRowValuesTest() {
    // The reference: the same records shared, so that its rows read the records themselves.
    m_pShared = new ListPanel(m_pOwner, "Shared");
    m_pShared->SetBounds(10, 300, 602, kListTall);
    for (ListPanel *list : {m_pList, m_pShared}) {
      for (int col = 0; col < static_cast<int>(std::size(kColumns)); ++col)
        list->AddColumnHeader(col, kColumns[col], kColumns[col], 60, col == 8 ? ListPanel::ColumnImage : 0);
    }
  }

  // Random records: each column's own type, the "mixed" column any type, "image" a number or text,
  // escape flags here and there, a key twice, and sometimes what only a whole record holds.
  void AddRandomRecords(int count) {
    std::mt19937 random(1234);
    for (int i = 0; i < count; ++i) {
      KeyValues *record = new KeyValues(i % 2 ? "Server" : "Row");
      record->UsesEscapeSequences(i % 3 == 0);
      for (int kind = 0; kind < 7; ++kind) {
        if (random() % 6) SetValue(record, kColumns[kind], kind, random);
      }
      if (random() % 8)
        SetValue(record, "mixed", static_cast<int>(random() % (random() % 4 ? 7 : kKinds)), random);
      if (random() % 3) SetValue(record, "image", static_cast<int>(random() % 4), random);
      if (random() % 5 == 0) record->CreateKey("text")->SetString(nullptr, "second of its name");
      if (KeyValues *node = record->FindKey("wide"); node && random() % 4 == 0)
        node->UsesEscapeSequences(!node->UsesEscapeSequences());
      m_Records.emplace_back(record);
      const unsigned int userValue = static_cast<unsigned int>(i);
      ASSERT_EQ(m_pList->AddItem(record, userValue, false, false), i);
      ASSERT_EQ(m_pShared->AddItem(record, userValue, false, false, true), i);
    }
  }

  std::vector<int> Order(ListPanel *list) {
    std::vector<int> ids;
    for (int row = 0; row < list->GetVisibleItemCount(); ++row) ids.push_back(list->GetItemIDAtRow(row));
    return ids;
  }

  // Every cell of every row reads the same in both lists.
  void ExpectSameCells() {
    for (int itemID = 0; itemID < static_cast<int>(m_Records.size()); ++itemID) {
      for (int col = 0; col < m_pList->GetColumnCount(); ++col) {
        ASSERT_EQ(m_pList->GetCellText(itemID, col), m_pShared->GetCellText(itemID, col))
            << "row " << itemID << " column " << kColumns[col];
        ASSERT_EQ(m_pList->GetCellDrawnText(itemID, col), m_pShared->GetCellDrawnText(itemID, col));
      }
      ASSERT_EQ(m_pList->GetItem(itemID)->m_nImageIndex, m_pShared->GetItem(itemID)->m_nImageIndex);
    }
  }

  ListPanel *m_pShared = nullptr;
  std::vector<KeyValuesAD> m_Records;
};

}  // namespace

TEST_F(ListPanelRowValuesTest, RowsShowAndOrderAsTheirRecordsDo) {
  AddRandomRecords(300);
  ExpectSameCells();
  // Every column as the primary after every other as the secondary, in both directions.
  for (int secondary = 0; secondary < m_pList->GetColumnCount(); ++secondary) {
    for (int primary = 0; primary < m_pList->GetColumnCount(); ++primary) {
      for (bool ascending : {true, false}) {
        SCOPED_TRACE(std::string("primary ") + kColumns[primary] + ", secondary " + kColumns[secondary] +
                     (ascending ? " ascending" : " descending"));
        for (ListPanel *list : {m_pList, m_pShared}) {
          list->SortByColumn(secondary, ascending);
          list->SortByColumn(primary, ascending);
          list->SortList();
        }
        ASSERT_EQ(Order(m_pList), Order(m_pShared));
      }
    }
  }
  // Reading never turned a row into a record, and the records made now equal the originals.
  for (int itemID = 0; itemID < static_cast<int>(m_Records.size()); ++itemID) {
    KeyValues *record = m_pList->GetItemData(itemID);
    ASSERT_NE(record, m_Records[itemID].get());
    ASSERT_TRUE(SameTree(record, m_Records[itemID].get())) << "row " << itemID;
    ASSERT_EQ(m_pList->GetItemData(itemID), record);  // made once, then kept
  }
  ExpectSameCells();
}

TEST_F(ListPanelRowValuesTest, HugeTextsAndEmptyRecordsKeepEveryByte) {
  const std::string huge(3 << 20, 'x');
  KeyValuesAD record(new KeyValues("Row"));
  record->SetString("text", (huge + "end").c_str());
  record->SetWString("wide", std::u16string(100000, u'w').c_str());
  const int hugeID = m_pList->AddItem(record.get(), 0, false, false);
  const int emptyID = m_pList->AddItem(nullptr, 1, false, false);
  KeyValuesAD empty(new KeyValues("Item"));
  const int namedEmptyID = m_pList->AddItem(empty.get(), 2, false, false);

  EXPECT_EQ(m_pList->GetCellText(hugeID, 0), huge + "end");
  EXPECT_EQ(m_pList->GetCellText(hugeID, 1), std::string(100000, 'w'));
  EXPECT_LT(m_pList->GetCellDrawnText(hugeID, 0).size(), 200u);  // cut to the column
  EXPECT_TRUE(SameTree(m_pList->GetItemData(hugeID), record.get()));
  // A row added without a record has an empty one named "Item".
  EXPECT_EQ(m_pList->GetCellText(emptyID, 0), "");
  EXPECT_TRUE(SameTree(m_pList->GetItemData(emptyID), empty.get()));
  EXPECT_TRUE(SameTree(m_pList->GetItemData(namedEmptyID), empty.get()));
}

TEST_F(ListPanelRowValuesTest, EditsThroughGetItemDataShowAtOnceAndStay) {
  AddStandardColumns();
  const std::vector<int> ids =
      AddRows({{"Bravo", "canyon", 30}, {"Alpha", "harbor", 20}, {"Delta", "mesa", 10}});
  m_pList->SortByColumn(0, true);
  Layout();
  ASSERT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Bravo", "Delta"}));

  // Cells read the record when drawn: no word to the list is needed for the text.
  KeyValues *record = m_pList->GetItemData(ids[1]);
  record->SetString("name", "Echo");
  record->SetFloat("ping", 2.5f);
  EXPECT_EQ(m_pList->GetCellText(ids[1], 0), "Echo");
  EXPECT_EQ(m_pList->GetCellText(ids[1], 2), "2.500000");
  Layout();                                                                         // painted from the record
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Echo", "Bravo", "Delta"}));  // not resorted

  // After the change is applied the record stays the row's: the same pointer, still read.
  m_pList->ApplyItemChanges(ids[1], true);
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Bravo", "Delta", "Echo"}));
  EXPECT_EQ(m_pList->GetItemData(ids[1]), record);
  record->SetString("name", "Able");
  EXPECT_EQ(m_pList->GetCellText(ids[1], 0), "Able");

  // A sort function reading the records makes them for the rows that kept only values.
  m_pList->SetColumnSortFunc(1, [](ListPanel *, const kgui::ListPanelItem &a, const kgui::ListPanelItem &b) {
    return -V_stricmp(a.GetRecord()->GetString("map"), b.GetRecord()->GetString("map"));
  });
  m_pList->SortByColumn(1, true);
  Layout();
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"mesa", "harbor", "canyon"}));
  EXPECT_EQ(m_pList->GetItemData(ids[1]), record);
}

TEST_F(ListPanelRowValuesTest, SetItemDataReplacesCopiedAndSharedRows) {
  AddStandardColumns();
  const int id = AddRows({{"Alpha", "canyon", 30}})[0];
  KeyValuesAD replacement(listtest::MakeRecord({"Bravo", "harbor", 40}));

  // Values to values: the caller's record stays the caller's.
  m_pList->SetItemData(id, replacement.get());
  replacement->SetString("name", "Changed afterwards");
  EXPECT_EQ(m_pList->GetCellText(id, 0), "Bravo");

  // Values to shared: the row reads the caller's record, edits and all.
  m_pList->SetItemData(id, replacement.get(), true);
  EXPECT_EQ(m_pList->GetItemData(id), replacement.get());
  EXPECT_EQ(m_pList->GetCellText(id, 0), "Changed afterwards");

  // Shared to a copy of a record with subkeys: the shared record is never deleted.
  KeyValuesAD nested(listtest::MakeRecord({"Charlie", "mesa", 50}));
  nested->FindKey("inner", true)->SetString("name", "Inner");
  m_pList->SetItemData(id, nested.get());
  EXPECT_STREQ(replacement->GetString("map"), "harbor");
  EXPECT_EQ(m_pList->GetCellText(id, 0), "Charlie");

  // The row's own record replaced by a part of itself: copied before the old one goes.
  m_pList->SetItemData(id, m_pList->GetItemData(id)->FindKey("inner"));
  EXPECT_EQ(m_pList->GetCellText(id, 0), "Inner");
  EXPECT_EQ(m_pList->GetCellText(id, 1), "");

  // Shared again, then removed: still the caller's.
  m_pList->SetItemData(id, replacement.get(), true);
  m_pList->RemoveItem(id);
  EXPECT_STREQ(replacement->GetString("map"), "harbor");
}

TEST_F(ListPanelRowValuesTest, CheckBoxesAndImagesReadTheRowsValues) {
  m_pList->AddColumnHeader(0, "name", "Name", 100);
  m_pList->AddColumnHeader(1, "Check", "", 20, ListPanel::ColumnCheckable);
  KeyValuesAD checked(new KeyValues("Row", "name", "Checked"));
  checked->SetString("check", "1");
  checked->SetString("image", "3");
  checked->SetFloat("imageSelected", 2.75f);
  KeyValuesAD unchecked(new KeyValues("Row", "name", "Unchecked"));
  const int a = m_pList->AddItem(checked.get(), 0, false, false);
  const int b = m_pList->AddItem(unchecked.get(), 0, false, false);
  EXPECT_TRUE(m_pList->IsItemChecked(a));
  EXPECT_FALSE(m_pList->IsItemChecked(b));
  EXPECT_EQ(m_pList->GetItem(a)->m_nImageIndex, 3);
  EXPECT_EQ(m_pList->GetItem(a)->m_nImageIndexSelected, 2);
  // The type the caller gave stays: reading "check" as a number did not convert it.
  EXPECT_EQ(m_pList->GetItemData(a)->GetDataType("check"), KeyValues::TYPE_STRING);
  // Checking every row writes "check" into each row's record.
  KeyValuesAD all(new KeyValues("CheckAllItems", "state", 1));
  Runtime().SendMessage(m_pList->GetVPanel(), all.get(), 0);
  EXPECT_TRUE(m_pList->IsItemChecked(b));
  EXPECT_EQ(m_pList->GetItemData(b)->GetInt("check"), 1);
}
