// The SMBIOS table reader behind ZMINT.DLL, on tables built byte by byte: what it takes
// from well-formed tables, how it cuts and cleans texts, and that damaged tables give
// empty texts rather than reads outside the blob.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "zmint/smbios.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One structure: type, the formatted area after the 4-byte header, then the strings.
// The length byte and handle are filled in; the string set gets its double NUL.
Bytes Structure(uint8_t type, const Bytes& fields, std::initializer_list<std::string> strings) {
    Bytes s = {type, static_cast<uint8_t>(4 + fields.size()), 0x34, 0x12};
    s.insert(s.end(), fields.begin(), fields.end());
    for (const std::string& text : strings) {
        s.insert(s.end(), text.begin(), text.end());
        s.push_back(0);
    }
    if (strings.size() == 0) s.push_back(0);
    s.push_back(0);
    return s;
}

// System Information with manufacturer, product and SKU as strings 1, 2 and 3 unless
// other indices are given, in the 2.4 layout (length 0x1B).
Bytes SystemInfo(std::initializer_list<std::string> strings, uint8_t product = 2, uint8_t sku = 3) {
    Bytes fields(0x1B - 4, 0);
    fields[0x04 - 4] = 1;
    fields[0x05 - 4] = product;
    fields[0x18 - 4] = 6;  // wake-up type: power switch
    fields[0x19 - 4] = sku;
    return Structure(1, fields, strings);
}

// The 2.1 to 2.3 layout (length 0x19) ends after the wake-up type, before the SKU.
Bytes OldSystemInfo(std::initializer_list<std::string> strings) {
    return Structure(1, {1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6}, strings);
}

Bytes Baseboard(std::initializer_list<std::string> strings) {
    return Structure(2, {1, 2, 0, 0}, strings);
}

Bytes BiosInfo() {
    return Structure(0, {1, 2, 0x00, 0xF0, 3, 0x1F}, {"Firmware Co.", "1.02", "01/02/2023"});
}

Bytes EndOfTable() {
    return Structure(127, {}, {});
}

Bytes Table(std::initializer_list<Bytes> structures) {
    Bytes t;
    for (const Bytes& s : structures) t.insert(t.end(), s.begin(), s.end());
    return t;
}

// RawSMBIOSData: calling method, version 3.4, DMI revision, 32-bit length, table.
void SetLength(Bytes* blob, uint32_t n) {
    for (int i = 0; i < 4; ++i) (*blob)[4 + i] = static_cast<uint8_t>(n >> (8 * i));
}

Bytes Blob(const Bytes& table) {
    Bytes b = {0, 3, 4, 0, 0, 0, 0, 0};
    SetLength(&b, static_cast<uint32_t>(table.size()));
    b.insert(b.end(), table.begin(), table.end());
    return b;
}

struct Parsed {
    bool found;
    SmbiosInfo info;
    std::string model;
    std::string id;
};

Parsed Parse(const Bytes& blob) {
    Parsed p;
    // A filled record shows whether the parser clears what it did not find.
    memset(&p.info, 'x', sizeof(p.info));
    p.found = ParseSmbios(blob.data(), blob.size(), &p.info);
    char model[kModelNameRoom];
    char id[kMachineIdRoom];
    CopyModelName(p.info, model);
    CopyMachineId(p.info, id);
    p.model = model;
    p.id = id;
    return p;
}

// ---- well-formed tables ----

TEST(SmbiosTable, TakesProductNameAndSkuAmongOtherStructures) {
    Parsed p = Parse(Blob(Table({BiosInfo(), SystemInfo({"Corvane", "Quintara 15 KL7", "KL7-2291#B4C"}),
                                 Baseboard({"Corvane", "8A4F"}), EndOfTable()})));
    EXPECT_TRUE(p.found);
    EXPECT_STREQ(p.info.szProductName, "Quintara 15 KL7");
    EXPECT_STREQ(p.info.szSkuNumber, "KL7-2291#B4C");
    EXPECT_STREQ(p.info.szBoardProduct, "8A4F");
    EXPECT_EQ(p.model, "Quintara 15 KL7");
    EXPECT_EQ(p.id, "KL7-2291#B4C");
}

TEST(SmbiosTable, FirstStructureOfEachTypeWins) {
    Parsed p = Parse(Blob(Table({Baseboard({"M", "Board A"}), SystemInfo({"M", "First", "S1"}),
                                 SystemInfo({"M", "Second", "S2"}), Baseboard({"M", "Board B"})})));
    EXPECT_EQ(p.model, "First");
    EXPECT_EQ(p.id, "S1");
    EXPECT_STREQ(p.info.szBoardProduct, "Board A");
}

TEST(SmbiosTable, NothingAfterTheEndMarkerIsRead) {
    Parsed p = Parse(Blob(Table({Baseboard({"M", "Board"}), EndOfTable(), SystemInfo({"M", "Late", "S"})})));
    EXPECT_FALSE(p.found);
    EXPECT_EQ(p.model, "");
    EXPECT_EQ(p.id, "Board");
}

// ---- the identifier's fallback to the baseboard ----

TEST(SmbiosIdentifier, FallsBackToBoardWhenTheSkuIsMissingOrBlank) {
    // A type 1 of the older layout ends just before the SKU field. The byte that follows
    // it, the first of the string set, would read as string index 3.
    Parsed old = Parse(Blob(Table({OldSystemInfo({"\x03Maker", "Old Model", "Spare"}),
                                   Baseboard({"M", "0B7C"})})));
    EXPECT_TRUE(old.found);
    EXPECT_EQ(old.model, "Old Model");
    EXPECT_STREQ(old.info.szSkuNumber, "");
    EXPECT_EQ(old.id, "0B7C");

    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "P"}, 2, 0), Baseboard({"M", "B2"})}))).id, "B2");
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "P", "  \t "}), Baseboard({"M", "B3"})}))).id, "B3");

    EXPECT_EQ(Parse(Blob(Table({OldSystemInfo({"M", "P"})}))).id, "");
}

// ---- cutting to the callers' rooms ----

TEST(SmbiosLimits, LongTextsAreCutToTheRoomAndNothingBeyondIsWritten) {
    std::string product(300, 'P');
    std::string sku = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25
    Bytes blob = Blob(Table({SystemInfo({"M", product, sku})}));
    SmbiosInfo info;
    ASSERT_TRUE(ParseSmbios(blob.data(), blob.size(), &info));

    char model[kModelNameRoom + 8];
    memset(model, '#', sizeof(model));
    CopyModelName(info, model);
    EXPECT_EQ(std::string(model), std::string(259, 'P'));
    EXPECT_EQ(std::string(model + kModelNameRoom, 8), std::string(8, '#'));

    char id[kMachineIdRoom + 8];
    memset(id, '#', sizeof(id));
    CopyMachineId(info, id);
    EXPECT_EQ(std::string(id), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(std::string(id + kMachineIdRoom, 8), std::string(8, '#'));

    Parsed board = Parse(Blob(Table({OldSystemInfo({"M", "P"}), Baseboard({"M", std::string(40, 'b')})})));
    EXPECT_EQ(board.id, std::string(19, 'b'));
}

TEST(SmbiosLimits, BlanksNeitherCostRoomNorEndACutText) {
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "P", "          ABCDEFGHIJKLMNOPQRS"})}))).id,
              "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "P", "ABCDEFGHIJKLMNOP    XYZ"})}))).id, "ABCDEFGHIJKLMNOP");
}

// ---- what the bytes of a text become ----

TEST(SmbiosText, HighBytesPassControlBytesBecomeSpacesEndsAreTrimmed) {
    Parsed p = Parse(Blob(Table({SystemInfo({"M", "  Caf\xE9 \xC4\xD6\xFF\x80 15\t\r\n", std::string("\x01Q\x1F") + "A \x7F"})})));
    EXPECT_EQ(p.model, "Caf\xE9 \xC4\xD6\xFF\x80 15");
    EXPECT_EQ(p.id, "Q A \x7F");
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "   ", "S"})}))).model, "");
}

// ---- damaged tables ----

TEST(SmbiosDamaged, NoHeaderOrZeroLengthGivesEmptyTexts) {
    SmbiosInfo info;
    memset(&info, 'x', sizeof(info));
    EXPECT_FALSE(ParseSmbios(nullptr, 0, &info));
    EXPECT_STREQ(info.szProductName, "");
    EXPECT_STREQ(info.szSkuNumber, "");
    EXPECT_STREQ(info.szBoardProduct, "");

    Bytes blob = Blob(Table({SystemInfo({"M", "P", "S"})}));
    Bytes shortHeader(blob.begin(), blob.begin() + 7);
    SetLength(&blob, 0);
    for (const Bytes& b : {shortHeader, blob}) {
        Parsed p = Parse(b);
        EXPECT_FALSE(p.found);
        EXPECT_EQ(p.model, "");
        EXPECT_EQ(p.id, "");
    }
}

TEST(SmbiosDamaged, LengthDecidesWhereTheTableEnds) {
    // Beyond the blob: what the blob holds is still read.
    Bytes blob = Blob(Table({SystemInfo({"M", "P", "S"})}));
    SetLength(&blob, 0xFFFFFFFF);
    EXPECT_EQ(Parse(blob).model, "P");

    // Short of the blob: bytes past the stated length are not part of the table.
    Bytes board = Baseboard({"M", "B"});
    Bytes two = Blob(Table({board, SystemInfo({"M", "P", "S"})}));
    SetLength(&two, static_cast<uint32_t>(board.size()));
    Parsed p = Parse(two);
    EXPECT_FALSE(p.found);
    EXPECT_EQ(p.id, "B");
}

TEST(SmbiosDamaged, TruncatedBlobKeepsWhatCameBeforeTheCut) {
    Bytes full = Blob(Table({Baseboard({"M", "Board"}), SystemInfo({"Maker", "Product", "SKU"})}));
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Bytes blob(full.begin(), full.begin() + cut);
        Parsed p = Parse(blob);
        // Strings are only taken with their NUL, never a cut-off prefix of one.
        EXPECT_TRUE(p.model == "" || p.model == "Product") << cut;
        EXPECT_TRUE(p.id == "" || p.id == "Board" || p.id == "SKU") << cut;
    }
    Bytes cutInProduct(full.begin(), full.end() - 8);  // "...Produ"
    Parsed p = Parse(cutInProduct);
    EXPECT_TRUE(p.found);
    EXPECT_EQ(p.model, "");
    EXPECT_EQ(p.id, "Board");
}

TEST(SmbiosDamaged, StringIndexPastTheEndGivesEmpty) {
    Parsed p = Parse(Blob(Table({SystemInfo({"M", "P"}, 2, 3), Baseboard({"M", "B"})})));
    EXPECT_EQ(p.model, "P");
    EXPECT_STREQ(p.info.szSkuNumber, "");
    EXPECT_EQ(p.id, "B");

    // A structure without strings: every index points past the end.
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({}, 2, 3)}))).model, "");
    EXPECT_EQ(Parse(Blob(Table({SystemInfo({"M", "P"}, 255, 255)}))).model, "");
}

TEST(SmbiosDamaged, StringSetWithoutDoubleNulAtTheTableEnd) {
    Bytes table = Table({Baseboard({"M", "B"}), SystemInfo({"M", "Product", "S"})});
    table.pop_back();  // the set's closing NUL
    Parsed p = Parse(Blob(table));
    EXPECT_EQ(p.model, "Product");
    EXPECT_EQ(p.id, "S");

    table.pop_back();  // and the NUL of "S": that string no longer counts
    p = Parse(Blob(table));
    EXPECT_EQ(p.model, "Product");
    EXPECT_EQ(p.id, "B");
}

TEST(SmbiosDamaged, BadStructureLengthEndsTheWalk) {
    for (uint8_t length : {0, 1, 3}) {
        Bytes bad = Structure(0, {}, {});
        bad[1] = length;
        Parsed p = Parse(Blob(Table({Baseboard({"M", "B"}), bad, SystemInfo({"M", "P", "S"})})));
        EXPECT_FALSE(p.found) << int(length);
        EXPECT_EQ(p.id, "B") << int(length);
    }
    // A formatted area that claims more bytes than the table holds.
    Bytes tooLong = SystemInfo({"M", "P", "S"});
    tooLong[1] = 0xFF;
    EXPECT_FALSE(Parse(Blob(Table({tooLong}))).found);

    // Long enough to be a structure, too short to hold the product field.
    Parsed shortInfo = Parse(Blob(Table({Structure(1, {2}, {"M", "P"})})));
    EXPECT_TRUE(shortInfo.found);
    EXPECT_EQ(shortInfo.model, "");
}

}  // namespace
