// Parameter lists without a database: names and repeated names, the setters and their types, the
// value layout and the stored form (written byte for byte, read in both versions, damaged images
// refused), form streaming, and the conversion into bind buffers.
#include "test_odbc_params_locale.h"

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

using namespace vantrel;

namespace {

TBytes write(TODBCParams& params) {
    TMemoryStream s;
    params.WriteBinaryData(s);
    return s.Bytes();
}

void read(TODBCParams& params, const TBytes& bytes) {
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    params.ReadBinaryData(s);
}

TBytes operator+(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TBytes text(const std::string& s) { return TBytes(s.begin(), s.end()); }

// One parameter of every type that has a stored layout, with a value that is not the default.
void fillEveryType(TODBCParams& p) {
    p.CreateParam(ftUnknown, "Unk");
    p.CreateParam(ftString, "S")->SetAsString("Brake pad; 'front'");
    p.CreateParam(ftUnknown, "Sm")->SetAsSmallInt(-1234);
    p.CreateParam(ftUnknown, "I")->SetAsInteger(-70000);
    p.CreateParam(ftUnknown, "W")->SetAsWord(65000);
    p.CreateParam(ftUnknown, "B")->SetAsBoolean(true);
    p.CreateParam(ftUnknown, "F")->SetAsFloat(0.1);
    p.CreateParam(ftUnknown, "C")->SetAsCurrency(-12.25);
    p.CreateParam(ftUnknown, "BCD")->SetAsBCD(StrToCurr("12345.6789"));
    p.CreateParam(ftUnknown, "D")->SetAsDate(EncodeDate(2024, 2, 29));
    p.CreateParam(ftUnknown, "T")->SetAsTime(EncodeTime(23, 59, 58, 0));
    p.CreateParam(ftUnknown, "DT")->SetAsDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 59, 123));
    p.CreateParam(ftUnknown, "M")->SetAsMemo("line 1\nline 2");
    p.CreateParam(ftUnknown, "Bl")->SetBlobData("\0\1\2\xff", 4);
    auto* g = p.CreateParam(ftUnknown, "G");
    g->LoadFromStream(*std::make_unique<TStringStream>(std::string("GIF\0", 4)), ftGraphic);
    auto* a = p.CreateParam(ftAutoInc, "A");
    a->SetText("77");
    p.CreateParam(ftCursor, "Cur")->InitValue();
    auto* n = p.CreateParam(ftInteger, "Null");
    n->SetAsInteger(5);
    n->Clear();
}

}  // namespace

// ---- Names ------------------------------------------------------------------------------------

TEST(ParamNames, LookupIgnoresCaseButValuesAreCarriedOverOnlyByExactName) {
    TODBCParams params;
    params.CreateParam(ftUnknown, "PARTNO")->SetAsInteger(7);
    EXPECT_EQ(params.ParamByName("partno")->GetAsInteger(), 7);
    EXPECT_EQ(params.FindParam("Partno"), params.Items(0));
    EXPECT_EQ(params.FindParam("other"), nullptr);
    try {
        params.ParamByName("other");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Parameter other not found");
    }

    TODBCParams fresh;
    fresh.CreateParam(ftUnknown, "partno");
    fresh.CreateParam(ftUnknown, "PARTNO");
    fresh.AssignValues(&params);
    EXPECT_FALSE(fresh.Items(0)->Bound());
    EXPECT_EQ(fresh.Items(0)->DataType(), ftUnknown);
    EXPECT_TRUE(fresh.Items(1)->Bound());
    EXPECT_EQ(fresh.Items(1)->GetAsInteger(), 7);
}

TEST(ParamNames, EveryOccurrenceOfARepeatedNameUsesTheFirst) {
    TODBCParams params;
    auto* first = params.CreateParam(ftUnknown, "x");
    params.CreateParam(ftUnknown, "y");
    auto* again = params.CreateParam(ftUnknown, "X");
    first->SetAsString("one");
    again->SetAsString("ignored");
    EXPECT_EQ(params.Count(), 3);
    EXPECT_EQ(params.GetParam(2), first);
    EXPECT_EQ(params.Items(2), again);
    EXPECT_EQ(params.GetParam(1)->Name(), "y");
    EXPECT_THROW(params.GetParam(3), EListError);
}

TEST(ParamNames, ListsOwnTheirParametersAndMoveThem) {
    TODBCParams a, b;
    auto* p = a.CreateParam(ftString, "p");
    EXPECT_EQ(p->Owner(), &a);
    b.AddParam(p);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(b.Count(), 1);
    EXPECT_EQ(p->Owner(), &b);
    b.AddParam(p);  // already there: stays once
    EXPECT_EQ(b.Count(), 1);
    b.RemoveParam(p);
    EXPECT_EQ(p->Owner(), nullptr);
    EXPECT_EQ(b.Count(), 0);
    a.AddParam(p);
    delete p;  // a parameter freed on its own leaves its list
    EXPECT_EQ(a.Count(), 0);
}

TEST(ParamNames, ValueListsSplitOnSemicolons) {
    TODBCParams params;
    params.CreateParam(ftUnknown, "a");
    params.CreateParam(ftUnknown, "b");
    params.SetParamValue("a; b", VarArrayOf({Variant(1), Variant("two")}));
    Variant v = params.GetParamValue("b;a");
    ASSERT_TRUE(v.IsArray());
    EXPECT_EQ(v[0].AsString(), "two");
    EXPECT_EQ(v[1].AsInteger(), 1);
    params.SetParamValue("a", Variant(2.5));
    EXPECT_EQ(params.GetParamValue("A").AsFloat(), 2.5);
    std::vector<TODBCParam*> list;
    params.GetParamList(list, "b;a");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Name(), "b");
    EXPECT_THROW(params.GetParamValue("a;nope"), EDatabaseError);
}

TEST(ParamNames, AssignCopiesThroughTheFirstOccurrence) {
    TODBCParams src;
    src.CreateParam(ftUnknown, "k")->SetAsInteger(3);
    src.CreateParam(ftUnknown, "K")->SetAsInteger(4);
    TODBCParams dst;
    dst.CreateParam(ftUnknown, "old");
    dst.Assign(&src);
    ASSERT_EQ(dst.Count(), 2);
    EXPECT_EQ(dst.Items(1)->Name(), "k");
    EXPECT_EQ(dst.Items(1)->GetAsInteger(), 3);
    EXPECT_TRUE(dst.IsEqual(&src));
    dst.Items(0)->SetAsInteger(9);
    EXPECT_FALSE(dst.IsEqual(&src));
    TODBCParams third;
    src.AssignTo(&third);
    EXPECT_TRUE(third.IsEqual(&src));
}

// ---- Values -----------------------------------------------------------------------------------

TEST(ParamValues, SettersSetTypeValueAndFlags) {
    TODBCParam p;
    EXPECT_EQ(p.DataType(), ftUnknown);
    EXPECT_FALSE(p.IsNull());
    EXPECT_FALSE(p.Bound());
    EXPECT_TRUE(p.Translate());
    EXPECT_EQ(p.Value().VarType(), varInteger);

    p.SetAsCurrency(1.5);
    EXPECT_EQ(p.DataType(), ftCurrency);
    EXPECT_EQ(p.Value().VarType(), varDouble);
    EXPECT_TRUE(p.Bound());
    p.SetAsBCD(StrToCurr("2.75"));
    EXPECT_EQ(p.DataType(), ftBCD);
    EXPECT_EQ(p.Value().VarType(), varCurrency);
    p.SetAsMemo("m");
    p.SetAsString("s");
    EXPECT_EQ(p.DataType(), ftMemo);  // text keeps a memo type
    p.SetAsInteger(1);
    p.SetAsString("s");
    EXPECT_EQ(p.DataType(), ftString);
    p.Clear();
    EXPECT_TRUE(p.IsNull());
    EXPECT_TRUE(p.Bound());
    EXPECT_EQ(p.GetAsString(), "");
    EXPECT_EQ(p.GetAsDateTime(), 0.0);
    EXPECT_TRUE(p.GetAsVariant().IsNull());
    p.SetDataType(ftFloat);
    EXPECT_EQ(p.Value().VarType(), varInteger);
    EXPECT_EQ(p.GetAsFloat(), 0.0);
}

TEST(ParamValues, VariantTypesChooseTheParameterType) {
    TODBCParam p;
    struct Case {
        Variant v;
        TFieldType type;
    } cases[] = {
        {Variant(TDateTime(45000.5)), ftDateTime}, {Variant(int16_t(3)), ftSmallint},
        {Variant(70000), ftInteger},               {Variant(70000LL), ftInteger},
        {Variant(int64_t(1) << 40), ftLargeint},    {Variant(0.5), ftFloat},
        {Variant(StrToCurr("1.25")), ftBCD},       {Variant("x"), ftString},
        {Variant(true), ftBoolean},                {Variant(TBytes{1, 2}), ftUnknown},
    };
    for (const Case& c : cases) {
        p.SetAsVariant(c.v);
        EXPECT_EQ(p.DataType(), c.type) << Variant::TypeName(c.v.VarType());
        EXPECT_FALSE(p.IsNull());
    }
    p.SetAsInteger(1);
    p.SetAsVariant(Variant::Null());
    EXPECT_TRUE(p.IsNull());
    EXPECT_EQ(p.DataType(), ftInteger);  // keeps its type for the binding
}

TEST(ParamValues, LargeIntHoldsSixtyFourBits) {
    TODBCParam p;
    p.SetAsLargeInt(-9007199254740993LL);
    EXPECT_EQ(p.DataType(), ftLargeint);
    EXPECT_TRUE(p.Bound());
    EXPECT_FALSE(p.IsNull());
    EXPECT_EQ(p.GetAsLargeInt(), -9007199254740993LL);
    EXPECT_EQ(p.GetAsString(), "-9007199254740993");
    EXPECT_EQ(p.GetDataSize(), 8);
    EXPECT_EQ(p.GetDataBytes(), (TBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDF, 0xFF}));
    p.SetText("4294967296");
    EXPECT_EQ(p.GetAsLargeInt(), 4294967296LL);
    p.Clear();
    EXPECT_EQ(p.GetAsLargeInt(), 0);

    TParamValueItem item;
    p.SetAsLargeInt(std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ConvertData(&p, item), 8);
    EXPECT_EQ(item.CType, SQL_C_SBIGINT);
    EXPECT_EQ(item.SQLType, SQL_BIGINT);
    EXPECT_EQ(*reinterpret_cast<SQLBIGINT*>(item.Data()), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ConvertBDEToSQL(ftLargeint), SQL_BIGINT);
}

TEST(ParamValues, TextConvertsToTheType) {
    TODBCParam p;
    p.SetText("abc");
    EXPECT_EQ(p.DataType(), ftString);
    p.SetDataType(ftInteger);
    p.SetText("42");
    EXPECT_EQ(p.Value().VarType(), varInteger);
    EXPECT_EQ(p.GetAsInteger(), 42);
    p.SetDataType(ftBoolean);
    p.SetText("true");
    EXPECT_EQ(p.GetAsString(), "True");
    p.SetAsBoolean(false);
    EXPECT_EQ(p.GetAsString(), "False");
    p.SetDataType(ftBCD);
    p.SetText("3.1415");
    EXPECT_EQ(p.Value().VarType(), varCurrency);
    p.SetDataType(ftDate);
    p.SetText("2023-04-05");
    EXPECT_EQ(p.GetAsString(), "2023-04-05");
    EXPECT_EQ(p.GetAsDateTime(), EncodeDate(2023, 4, 5));
    p.SetDataType(ftFloat);
    EXPECT_THROW(p.SetText("twelve"), EConvertError);
}

TEST(ParamValues, ParametersAssignEachOther) {
    TODBCParam p;
    TODBCParam q;
    q.SetAsInteger(8);
    q.SetName("n");
    p.Assign(&q);
    EXPECT_TRUE(p.IsEqual(&q));
    q.Clear();
    p.AssignParam(&q);
    EXPECT_TRUE(p.IsNull());
    EXPECT_TRUE(p.IsEqual(&q));
    TODBCParams list;
    EXPECT_THROW(p.Assign(&list), EConvertError);
}

// ---- Value layout -----------------------------------------------------------------------------

TEST(ParamLayout, SizesAndBytesFollowTheType) {
    TODBCParam p;
    p.SetName("P");
    p.SetAsString("abc");
    EXPECT_EQ(p.GetDataBytes(), (TBytes{'a', 'b', 'c', 0}));
    p.SetAsSmallInt(-2);
    EXPECT_EQ(p.GetDataBytes(), (TBytes{0xFE, 0xFF}));
    p.SetAsInteger(0x01020304);
    EXPECT_EQ(p.GetDataBytes(), (TBytes{4, 3, 2, 1}));
    p.SetAsBoolean(true);
    EXPECT_EQ(p.GetDataBytes(), (TBytes{1, 0}));
    p.SetAsFloat(1.0);
    EXPECT_EQ(p.GetDataBytes(), (TBytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    p.SetAsBCD(StrToCurr("-1.5"));
    EXPECT_EQ(p.GetDataBytes(), text(std::string("-1.5", 5)));
    p.SetAsDate(EncodeDate(1, 1, 1));
    EXPECT_EQ(p.GetDataBytes(), (TBytes{1, 0, 0, 0}));
    p.SetAsTime(EncodeTime(0, 0, 1, 500));
    EXPECT_EQ(p.GetDataBytes(), (TBytes{0xDC, 0x05, 0, 0}));
    p.SetBlobData("xy", 2);
    EXPECT_EQ(p.GetDataSize(), 2);
    p.SetDataType(ftCursor);
    EXPECT_EQ(p.GetDataSize(), 0);

    p.SetDataType(ftUnknown);
    try {
        p.GetDataSize();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Field P undefined type");
    }
    p.SetDataType(ftTypedBinary);
    try {
        p.GetDataSize();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Field unsupported type");
    }
    p.SetDataType(ftSmallint);
    p.SetText("40000");  // held as an integer but does not fit 16 bits
    EXPECT_THROW(p.GetDataSize(), EDatabaseError);
}

TEST(ParamLayout, ExtendedFloatsMatchTheX87LayoutAndRoundTrip) {
    uint8_t b[10];
    DoubleToExtended(-2.5, b);
    EXPECT_EQ(TBytes(b, b + 10), (TBytes{0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));
    DoubleToExtended(0.0, b);
    EXPECT_EQ(TBytes(b, b + 10), TBytes(10, 0));
#if defined(__x86_64__) || defined(__i386__)
    for (double d : {1e300, -3.75e-310, 0.1, 86400000.0 * 700000.5}) {
        long double x = d;
        uint8_t native[16] = {};
        std::memcpy(native, &x, 10);
        DoubleToExtended(d, b);
        EXPECT_EQ(0, std::memcmp(b, native, 10)) << d;
    }
#endif
    for (double d : {0.1, -1e-320, 1.7976931348623157e308, 123456789.125, -0.0}) {
        DoubleToExtended(d, b);
        EXPECT_EQ(ExtendedToDouble(b), d);
        EXPECT_EQ(std::signbit(ExtendedToDouble(b)), std::signbit(d));
    }
    DoubleToExtended(std::numeric_limits<double>::infinity(), b);
    EXPECT_TRUE(std::isinf(ExtendedToDouble(b)));
    const uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};  // beyond double range
    EXPECT_TRUE(std::isinf(ExtendedToDouble(huge)));
}

// ---- Stored form ------------------------------------------------------------------------------

TEST(StoredParams, VersionOneIsWrittenByteForByte) {
    TODBCParams params;
    params.CreateParam(ftInteger, "Id")->SetAsInteger(258);
    auto* s = params.CreateParam(ftString, "Nm");
    s->SetAsString("ab");
    s->Clear();
    params.CreateParam(ftUnknown, "u");
    TBytes expected = TBytes{1, 0, 3, 0} +                                 // version, count
                      TBytes{2, 'I', 'd', 3, 4, 0, 2, 1, 0, 0, 0, 1} +     // integer 258, bound
                      TBytes{2, 'N', 'm', 1, 2, 0, '0', 0, 1, 1} +         // null text: "0", null, bound
                      TBytes{1, 'u', 0, 0, 0};                             // unknown: no data
    EXPECT_EQ(write(params), expected);
}

TEST(StoredParams, EveryTypeRoundTrips) {
    TODBCParams params;
    fillEveryType(params);
    TBytes image = write(params);
    TODBCParams back;
    back.CreateParam(ftString, "left over");
    read(back, image);
    ASSERT_EQ(back.Count(), params.Count());
    for (int i = 0; i < params.Count(); ++i) {
        const TODBCParam* a = params.Items(i);
        const TODBCParam* b = back.Items(i);
        EXPECT_TRUE(a->IsEqual(b)) << a->Name() << ": " << a->GetAsString() << " / " << b->GetAsString();
    }
    EXPECT_TRUE(back.IsEqual(&params));
    EXPECT_EQ(write(back), image);
    EXPECT_EQ(back.ParamByName("dt")->GetAsString(), "1999-12-31 23:59:59.123");
}

TEST(StoredParams, HandMadeImagesOfBothVersionsRead) {
    TODBCParams params;
    // Version 1: a word and an extended float.
    read(params, TBytes{1, 0, 2, 0} + TBytes{1, 'w', ftWord, 2, 0, 0xFF, 0xFF, 0, 1} +
                     TBytes{1, 'f', ftFloat, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0x40, 0, 1});
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params.Items(0)->GetAsInteger(), 65535);
    EXPECT_EQ(params.Items(1)->GetAsFloat(), 3.0);

    // Version 2: four-byte count, name lengths and sizes; a date and a text.
    read(params, TBytes{2, 0, 2, 0, 0, 0} + TBytes{4, 0, 0, 0, 'd', 'a', 't', 'e', ftDate, 4, 0, 0, 0} +
                     TBytes{0x3B, 0x2A, 0x0B, 0x00, 0, 1} +  // day 731707 = 2004-05-06
                     TBytes{1, 0, 0, 0, 's', ftString, 3, 0, 0, 0, 'h', 'i', 0, 1, 0});
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params.Items(0)->Name(), "date");
    EXPECT_EQ(params.Items(0)->GetAsDateTime(), EncodeDate(2004, 5, 6));
    EXPECT_EQ(params.Items(1)->GetAsString(), "");  // null
    EXPECT_TRUE(params.Items(1)->IsNull());
    EXPECT_FALSE(params.Items(1)->Bound());
    EXPECT_EQ(params.Items(1)->DataType(), ftString);

    read(params, TBytes{1, 0, 0, 0});
    EXPECT_EQ(params.Count(), 0);
}

TEST(StoredParams, TooBigValuesAndNamesAreRefusedBeforeWriting) {
    TODBCParams params;
    auto* p = params.CreateParam(ftString, "big");
    p->SetAsString(std::string(2047, 'x'));  // 2048 bytes with the zero
    EXPECT_EQ(write(params).size(), 4u + 1 + 3 + 1 + 2 + 2048 + 2);
    p->SetAsString(std::string(2048, 'x'));
    TMemoryStream s;
    try {
        params.WriteBinaryData(s);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Parameter big is too big");
    }
    EXPECT_EQ(s.Size(), 0);

    p->SetAsString("small");
    p->SetName(std::string(256, 'n'));
    EXPECT_THROW(params.WriteBinaryData(s), EDatabaseError);
    EXPECT_EQ(s.Size(), 0);
    p->SetName(std::string(255, 'n'));
    EXPECT_NO_THROW(params.WriteBinaryData(s));

    p->SetDataType(ftTypedBinary);
    EXPECT_THROW(write(params), EDatabaseError);
}

TEST(StoredParams, SixtyFourBitValuesRaiseTheVersionSoOlderReadersRefuse) {
    TODBCParams params;
    params.CreateParam(ftInteger, "i")->SetAsInteger(7);
    EXPECT_EQ(write(params)[0], 1);  // no 64-bit value: still version 1
    params.CreateParam(ftUnknown, "L")->SetAsLargeInt(-2);
    TBytes expected = TBytes{3, 0, 2, 0} + TBytes{1, 'i', ftInteger, 4, 0, 7, 0, 0, 0, 0, 1} +
                      TBytes{1, 'L', ftLargeint, 8, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1};
    const TBytes image = write(params);
    EXPECT_EQ(image, expected);

    TODBCParams back;
    read(back, image);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Items(1)->DataType(), ftLargeint);
    EXPECT_EQ(back.Items(1)->GetAsLargeInt(), -2);
    EXPECT_TRUE(back.IsEqual(&params));

    // What an older reader does with version 3 this one does with the next version.
    TBytes future = image;
    future[0] = 4;
    try {
        read(back, future);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("version 4"), std::string::npos) << e.what();
    }
    EXPECT_EQ(back.Count(), 0);
    // A 64-bit value whose block has another size is damaged.
    TBytes shortBlock = TBytes{3, 0, 1, 0} + TBytes{1, 'L', ftLargeint, 4, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_THROW(read(back, shortBlock), EDatabaseError);
}

TEST(StoredParams, EveryTruncationOfAValidImageIsRefused) {
    TODBCParams params;
    fillEveryType(params);
    TBytes image = write(params);
    for (size_t n = 0; n < image.size(); ++n) {
        TODBCParams back;
        back.CreateParam(ftString, "keep?");
        TBytes cut(image.begin(), image.begin() + static_cast<long>(n));
        EXPECT_THROW(read(back, cut), EDatabaseError) << n;
        EXPECT_EQ(back.Count(), 0) << n;
    }
}

TEST(StoredParams, DamagedImagesRaiseClearErrors) {
    auto message = [](const TBytes& image) -> std::string {
        TODBCParams params;
        try {
            read(params, image);
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(params.Count(), 0);
            return e.what();
        }
        return "read";
    };
    EXPECT_EQ(message(TBytes{4, 0, 0, 0}), "ODBC Parameter Data (version 4) incorrect version");
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', 200, 0, 0}), "ODBC Field unsupported type");
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftInteger, 2, 0, 1, 2, 0, 0}),
              "ODBC Parameter a stored data is damaged");  // integer of two bytes
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftString, 2, 0, 'h', 'i', 0, 0}),
              "ODBC Parameter a stored data is damaged");  // text without its zero
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftString, 0xFF, 0xFF, 'h', 0, 0, 0}),
              "ODBC Parameter a stored data is damaged");  // size beyond the end
    EXPECT_EQ(message(TBytes{2, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
              "ODBC Parameter Data stored data is damaged");  // count beyond the end
    EXPECT_EQ(message(TBytes{2, 0, 1, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF}),
              "ODBC Parameter Data stored data is damaged");  // name length beyond the end
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftDate, 4, 0, 0, 0, 0, 0, 0, 0}),
              "ODBC Parameter a stored data is damaged");  // day 0
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftTime, 4, 0, 0, 0x5C, 0x26, 0x05, 0, 0}),
              "ODBC Parameter a stored data is damaged");  // 86400000 ms
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftFloat, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F, 0, 0}),
              "ODBC Parameter a stored data is damaged");  // NaN
    EXPECT_EQ(message(TBytes{1, 0, 1, 0, 1, 'a', ftTypedBinary, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              "ODBC Field unsupported type");
}

// ---- Form streaming ---------------------------------------------------------------------------

namespace {

class TParamHolder : public TComponent {
public:
    explicit TParamHolder(TComponent* owner) : TComponent(owner), params(this) {}
    TODBCParams* Params() { return &params; }
    TODBCParams params;
};

const bool holderRegistered = [] {
    RegisterClass<TParamHolder, TComponent>("TParamHolder").Object("Params", &TParamHolder::Params);
    return true;
}();

}  // namespace

TEST(StoredParams, TheListTravelsInAStoredFormAsBinaryPropertyData) {
    TParamHolder holder(nullptr);
    holder.SetName("Query1");
    fillEveryType(holder.params);
    TMemoryStream form;
    WriteComponent(form, &holder);
    const TBytes image = write(holder.params);
    // The binary property holds exactly the list's own image.
    const std::string bytes(form.Bytes().begin(), form.Bytes().end());
    EXPECT_NE(bytes.find("Params.Data"), std::string::npos);
    EXPECT_NE(bytes.find(std::string(image.begin(), image.end())), std::string::npos);

    form.SetPosition(0);
    TParamHolder copy(nullptr);
    ReadComponentInto(form, &copy);
    EXPECT_TRUE(copy.params.IsEqual(&holder.params));

    // Written against an equal ancestor the list is left out; an empty list is never written.
    TMemoryStream inherited;
    WriteComponent(inherited, &copy, &holder);
    EXPECT_EQ(std::string(inherited.Bytes().begin(), inherited.Bytes().end()).find("Params.Data"), std::string::npos);
    copy.params.Items(1)->SetAsString("changed");
    TMemoryStream changed;
    WriteComponent(changed, &copy, &holder);
    EXPECT_NE(std::string(changed.Bytes().begin(), changed.Bytes().end()).find("Params.Data"), std::string::npos);
    TParamHolder empty(nullptr);
    TMemoryStream none;
    WriteComponent(none, &empty);
    EXPECT_EQ(std::string(none.Bytes().begin(), none.Bytes().end()).find("Params.Data"), std::string::npos);
}

// ---- Conversion -------------------------------------------------------------------------------

TEST(ParamConversion, FieldTypesWithoutAnODBCTypeAreRefused) {
    EXPECT_EQ(ConvertBDEToSQL(ftTypedBinary), SQL_CHAR);
    try {
        ConvertBDEToSQL(ftCursor);
        FAIL();
    } catch (const EODBCDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Parameter type not supported");
    }
}

TEST(ParamConversion, BuffersHaveTheTypesAndLayoutsOfTheBinding) {
    TODBCParam p;
    TParamValueItem item;
    p.SetAsString("abc");
    EXPECT_EQ(ConvertData(&p, item), 3);
    EXPECT_EQ(item.CType, SQL_C_CHAR);
    EXPECT_EQ(item.SQLType, SQL_CHAR);
    EXPECT_EQ(std::string(item.Data(), 4), std::string("abc", 4));
    p.SetAsWord(65535);
    EXPECT_EQ(ConvertData(&p, item), 4);
    EXPECT_EQ(item.CType, SQL_C_LONG);
    EXPECT_EQ(*reinterpret_cast<SQLINTEGER*>(item.Data()), 65535);
    p.SetAsMemo("m");
    ConvertData(&p, item);
    EXPECT_EQ(item.SQLType, SQL_LONGVARCHAR);
    p.SetBlobData("\0\1", 2);
    EXPECT_EQ(ConvertData(&p, item), 2);
    EXPECT_EQ(item.CType, SQL_C_BINARY);
    EXPECT_EQ(item.SQLType, SQL_LONGVARBINARY);
    p.SetAsDateTime(EncodeDateTime(2001, 2, 3, 4, 5, 6, 7));
    EXPECT_EQ(ConvertData(&p, item), 16);
    auto* ts = reinterpret_cast<TIMESTAMP_STRUCT*>(item.Data());
    EXPECT_EQ(ts->year, 2001);
    EXPECT_EQ(ts->second, 6);
    EXPECT_EQ(ts->fraction, 7000000u);
    p.SetAsDate(EncodeDate(1999, 1, 2));
    EXPECT_EQ(ConvertData(&p, item), 6);
    p.SetDataType(ftCursor);
    EXPECT_THROW(ConvertData(&p, item), EODBCDatabaseError);
}


TEST(ParamConversion, CurrencyAndBCDTextUsesAPointInEveryLocale) {
    if (!paramtest::useCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    TODBCParam p;
    TParamValueItem item;
    p.SetAsCurrency(1234.5);
    ConvertData(&p, item);
    EXPECT_STREQ(item.Data(), "1234.5");
    p.SetAsBCD(StrToCurr("-0.0625"));
    ConvertData(&p, item);
    EXPECT_STREQ(item.Data(), "-0.0625");
    TODBCParams list;
    list.CreateParam(ftBCD, "b")->SetAsBCD(StrToCurr("7.25"));
    const TBytes expected = TBytes{1, 0, 1, 0, 1, 'b', ftBCD, 5, 0} + text(std::string("7.25", 5)) + TBytes{0, 1};
    EXPECT_EQ(write(list), expected);
    std::setlocale(LC_ALL, "C");
}
