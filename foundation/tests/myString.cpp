// Tests of the reference-counted strings: block capacities, copy-on-write
// sharing (also across threads), searches and ordering, path parts,
// command-line tokens and the code-page conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "myString.h"

namespace {

// ------------------------------------------------------------- capacities

TEST(StringCapacity, ReservingGivesAtLeastSixteenCharactersOfRoom)
{
    EXPECT_EQ(17u, TmyString().Capacity());
    EXPECT_EQ(17u, TmyString(TmyReserve{0}).Capacity());
    EXPECT_EQ(17u, TmyString(TmyReserve{15}).Capacity());
    EXPECT_EQ(17u, TmyString(TmyReserve{16}).Capacity());
    EXPECT_EQ(21u, TmyString(TmyReserve{20}).Capacity());
    EXPECT_EQ(0u, TmyString(TmyReserve{20}).Length());
}

TEST(StringCapacity, WideReservingHasNoMinimum)
{
    EXPECT_EQ(1u, TmyWideString().Capacity());
    EXPECT_EQ(6u, TmyWideString(TmyReserve{5}).Capacity());
    const TmyWideString dashes(3, L'-');
    EXPECT_EQ(5u, dashes.Capacity());
    EXPECT_EQ(std::wstring(L"---"), dashes.c_str());
}

TEST(StringCapacity, TextConstructorsFitTheText)
{
    EXPECT_EQ(4u, TmyString("abc").Capacity());
    EXPECT_EQ(1u, TmyString(static_cast<const char*>(nullptr)).Capacity());
    EXPECT_STREQ("ab", TmyString("abcdef", 2).c_str());
    EXPECT_EQ(3u, TmyString("abcdef", 2).Capacity());
    EXPECT_EQ(40u, TmyString("abc", 3, 40).Capacity());
    EXPECT_EQ(4u, TmyString("abc", 3, 3).Capacity());  // raised to length + 1
    const TmyString buffer(nullptr, 5);
    EXPECT_EQ(5u, buffer.Length());
    EXPECT_EQ(6u, buffer.Capacity());
    EXPECT_EQ('\0', buffer[5]);
}

TEST(StringCapacity, ConcatenationCapacitiesDependOnOperandOrder)
{
    const TmyString ten("0123456789");
    EXPECT_EQ(18u, (ten + TmyString("abcdef")).Capacity());
    TmyString joined = ten + "abcdef";   // max(10 + 6 + 1, 16) + 1
    EXPECT_EQ(18u, joined.Capacity());
    EXPECT_STREQ("0123456789abcdef", joined.c_str());
    EXPECT_EQ(17u, ("abcdef" + ten).Capacity());  // max(6 + 10, 16) + 1
    EXPECT_STREQ("abcdef0123456789", ("abcdef" + ten).c_str());
    EXPECT_EQ(7u, (TmyWideString(L"ab") + TmyWideString(L"cde")).Capacity());
}

TEST(StringCapacity, ReplaceSizesTheResultToFit)
{
    TmyWideString text(L"abcdef");
    text.Replace(1, 2, L"XYZW");
    EXPECT_EQ(std::wstring(L"aXYZWdef"), text.c_str());
    EXPECT_EQ(9u, text.Capacity());
    EXPECT_EQ(8u, text.Length());
}

// -------------------------------------------------------- copy-on-write

TEST(StringSharing, CopiesShareOneBlockUntilOneIsWritten)
{
    const TmyString original("shared");
    TmyString copy = original;
    EXPECT_EQ(original.c_str(), copy.c_str());
    EXPECT_EQ(2, original.References());
    copy.At(0) = 'S';
    EXPECT_STREQ("shared", original.c_str());
    EXPECT_STREQ("Shared", copy.c_str());
    EXPECT_EQ(1, original.References());
    EXPECT_EQ(1, copy.References());
}

TEST(StringSharing, AppendingToSharedBlockLeavesOtherHolderAlone)
{
    const TmyString original("abc");
    TmyString copy(original);
    copy += TmyString("def");
    EXPECT_STREQ("abc", original.c_str());
    EXPECT_EQ(3u, original.Length());
    EXPECT_STREQ("abcdef", copy.c_str());
    EXPECT_EQ(7u, copy.Capacity());  // the private copy: length1 + length2 + 1
    EXPECT_EQ(1, original.References());

    const TmyWideString wideOriginal(L"abc");
    TmyWideString wideCopy(wideOriginal);
    wideCopy += L"def";
    EXPECT_EQ(std::wstring(L"abc"), wideOriginal.c_str());
    EXPECT_EQ(std::wstring(L"abcdef"), wideCopy.c_str());
}

TEST(StringSharing, PrivateBlockGrowsWithoutShrinking)
{
    TmyString text(TmyReserve{30});
    text += TmyString("abc");
    EXPECT_EQ(31u, text.Capacity());
    text += TmyString("0123456789012345678901234567890123456789");
    EXPECT_EQ(44u, text.Capacity());
    EXPECT_EQ(43u, text.Length());
}

TEST(StringSharing, AppendingAStringToItselfDoublesIt)
{
    // Blocks this large live in their own pages, which growing moves and frees.
    const std::string half(1 << 20, 'h');
    TmyString text(half.c_str());
    text += text;
    EXPECT_EQ(2 * half.size(), text.Length());
    EXPECT_EQ(half + half, text.c_str());

    const std::wstring wideHalf(1 << 20, L'w');
    TmyWideString wide(wideHalf.c_str());
    wide += wide.c_str() + 5;
    EXPECT_EQ(wideHalf + wideHalf.substr(5), wide.c_str());
}

TEST(StringSharing, AssignmentMovesReferencesBetweenBlocks)
{
    TmyString first("one");
    TmyString second("two");
    const TmyString keep(second);
    second = first;
    EXPECT_EQ(2, first.References());
    EXPECT_EQ(1, keep.References());
    second = second;
    EXPECT_EQ(2, first.References());
    second = "three";
    EXPECT_EQ(1, first.References());
    EXPECT_EQ(6u, second.Capacity());
}

TEST(StringSharing, AssigningOwnTailKeepsTheText)
{
    TmyString text("prefix:value");
    text = text.c_str() + 7;
    EXPECT_STREQ("value", text.c_str());
}

TEST(StringSharing, WritesBeyondCapacityReachNoString)
{
    TmyString text("ab");
    text.At(3) = 'x';
    EXPECT_EQ('\0', text.At(3));
    EXPECT_EQ('\0', text.At(100));
    EXPECT_STREQ("ab", text.c_str());
    EXPECT_EQ('\0', text[3]);
    EXPECT_EQ(L'\0', TmyWideString(L"ab")[3]);
}

TEST(StringSharing, PrivateCopyKeepsCapacityForBufferWrites)
{
    TmyString buffer(TmyReserve{20});
    const TmyString copy(buffer);
    buffer.At(19) = 'z';
    EXPECT_EQ(21u, buffer.Capacity());
    EXPECT_EQ('z', buffer[19]);
    EXPECT_EQ('\0', copy[19]);
}

TEST(StringSharing, FormatMayReadItsOwnText)
{
    TmyString text("abc");
    text.Format("%s-%s-%d", text.c_str(), text.c_str(), 42);
    EXPECT_STREQ("abc-abc-42", text.c_str());
    EXPECT_EQ(10u, text.Length());
    EXPECT_EQ(11u, text.Capacity());
}

TEST(StringSharing, FormatIntoSharedStringLeavesOtherHolderAlone)
{
    TmyString text(TmyReserve{40});
    const TmyString copy(text);
    text.Format("%05u|%x", 42u, 255u);
    EXPECT_STREQ("00042|ff", text.c_str());
    EXPECT_EQ(9u, text.Capacity());  // shared: max(room, length + 1)
    EXPECT_STREQ("", copy.c_str());
    TmyString alone(TmyReserve{40});
    alone.Format("%d", 7);
    EXPECT_EQ(41u, alone.Capacity());
}

// Threads that copy, append to and release strings sharing a few blocks: the
// counts stay exact only when each reference change is atomic.
struct SharingWork {
    HANDLE start;  // set once every thread exists, so that they overlap
    const TmyString* shared;
    unsigned sharedCount;
    LONG mismatches;
};

DWORD WINAPI CopyAppendAndRelease(LPVOID parameter)
{
    SharingWork& work = *static_cast<SharingWork*>(parameter);
    WaitForSingleObject(work.start, 60000);
    for (unsigned round = 0; round < 1000000; ++round) {
        const TmyString& source = work.shared[round % work.sharedCount];
        TmyString copy = source;
        TmyString second = copy;
        copy = work.shared[(round + 1) % work.sharedCount];
        if (round % 8 != 0)
            continue;
        second += TmyString("+");
        if (second.Length() != source.Length() + 1 || strncmp(second.c_str(), source.c_str(), source.Length()) != 0)
            InterlockedIncrement(&work.mismatches);
    }
    return 0;
}

TEST(StringSharing, ThreadsSharingBlocksKeepTheCountsExact)
{
    const TmyString shared[] = {TmyString("alpha"), TmyString("beta"), TmyString("gamma")};
    SharingWork work{CreateEventA(nullptr, TRUE, FALSE, nullptr), shared, 3, 0};
    HANDLE threads[4];
    for (HANDLE& thread : threads)
        thread = CreateThread(nullptr, 0, &CopyAppendAndRelease, &work, 0, nullptr);
    SetEvent(work.start);
    // A bound against a hang only: the work itself takes a fraction of it.
    bool ended = WaitForMultipleObjects(4, threads, TRUE, 60000) == WAIT_OBJECT_0;
    for (HANDLE thread : threads) {
        if (!ended)
            TerminateThread(thread, 1);
        CloseHandle(thread);
    }
    CloseHandle(work.start);
    ASSERT_TRUE(ended);
    EXPECT_EQ(0, work.mismatches);
    for (const TmyString& text : shared)
        EXPECT_EQ(1, text.References()) << text.c_str();
    EXPECT_STREQ("beta", shared[1].c_str());
}

// ------------------------------------------------------ parts and search

TEST(StringParts, SubstringCutsAtTheEnd)
{
    const TmyString text("abcdef");
    EXPECT_STREQ("", text.SubString(6, 1).c_str());
    EXPECT_STREQ("", text.SubString(60, 1).c_str());
    EXPECT_STREQ("def", text.SubString(3, 100).c_str());
    EXPECT_STREQ("bc", text.SubString(1, 2).c_str());
    EXPECT_EQ(17u, text.SubString(1, 2).Capacity());
    const TmyString twenty("abcdefghijklmnopqrst");
    EXPECT_EQ(18u, twenty.SubString(2, 16).Capacity());  // room for 16 + 1
    EXPECT_EQ(std::wstring(L"def"), TmyWideString(L"abcdef").SubString(3, 100).c_str());
    EXPECT_EQ(5u, TmyWideString(L"abcdef").SubString(3, 100).Capacity());
}

TEST(StringParts, ReplaceCutsStartAndCountToTheText)
{
    TmyWideString text(L"abc");
    text.Replace(10, 5, L"XY");
    EXPECT_EQ(std::wstring(L"abcXY"), text.c_str());
    text.Replace(1, 100, nullptr);
    EXPECT_EQ(std::wstring(L"a"), text.c_str());
    EXPECT_EQ(2u, text.Capacity());
    TmyWideString whole(L"abc");
    whole.Replace(0, 3, L"");
    EXPECT_EQ(0u, whole.Length());
    EXPECT_EQ(1u, whole.Capacity());
}

TEST(StringParts, ReplaceTakesLengthFromTheTerminator)
{
    TmyWideString text(3, L'\0');
    text.Replace(0, 0, L"ab");
    EXPECT_EQ(2u, text.Length());
}

TEST(StringParts, PathPartsSplitAtTheLastBackslash)
{
    const TmyString path("C:\\a\\b.log");
    EXPECT_STREQ("C:\\a", path.FolderPart().c_str());
    EXPECT_STREQ("b.log", path.FileNamePart().c_str());
    const TmyString name("name.txt");
    EXPECT_STREQ("", name.FolderPart().c_str());
    EXPECT_STREQ("name.txt", name.FileNamePart().c_str());
    EXPECT_STREQ("", TmyString("C:\\dir\\").FileNamePart().c_str());
}

TEST(StringParts, ExtensionIsNeverTakenFromAFolderName)
{
    EXPECT_STREQ("C:\\dir.d\\file", TmyString("C:\\dir.d\\file").WithoutExtension().c_str());
    EXPECT_STREQ("C:\\dir\\file", TmyString("C:\\dir\\file.log").WithoutExtension().c_str());
    EXPECT_STREQ("archive.tar", TmyString("archive.tar.gz").WithoutExtension().c_str());
    EXPECT_STREQ("plain", TmyString("plain").WithoutExtension().c_str());
}

TEST(StringSearch, FindTextSearchesFromStartToEnd)
{
    const TmyString text("abcabc");
    EXPECT_EQ(0, text.Find("abc"));
    EXPECT_EQ(3, text.Find("abc", 1));
    EXPECT_EQ(3, text.Find("abc", 3));
    EXPECT_EQ(-1, text.Find("abc", 4));
    EXPECT_EQ(-1, text.Find("abcabcd"));
    EXPECT_EQ(-1, text.Find("c", 7));
    EXPECT_EQ(-1, text.Find("abd"));
}

TEST(StringSearch, FindTextNeverMatchesPastTheLength)
{
    // The cells behind the terminator hold "xy": a match there must not count.
    TmyString text("a", 1, 17);
    text.At(2) = 'x';
    text.At(3) = 'y';
    EXPECT_EQ(1u, text.Length());
    EXPECT_EQ(-1, text.Find("xy"));
    EXPECT_EQ(-1, text.Find('x'));
}

TEST(StringSearch, FindCharacterFromStart)
{
    const TmyString text("a\\b\\c");
    EXPECT_EQ(1, text.Find('\\'));
    EXPECT_EQ(3, text.Find('\\', 2));
    EXPECT_EQ(-1, text.Find('\\', 4));
    EXPECT_EQ(-1, text.Find('a', 5));
    EXPECT_EQ(-1, text.Find('a', 50));
}

TEST(StringSearch, OrderingComparesBytesUnsigned)
{
    const TmyString high("\xE4pfel");
    const TmyString low("zebra");
    EXPECT_TRUE(high > low);
    EXPECT_FALSE(low > high);
    EXPECT_FALSE(low > TmyString("zebra"));
    EXPECT_TRUE(TmyString("abc") > TmyString("ab"));
    EXPECT_FALSE(TmyString("ab") > TmyString("abc"));
}

TEST(StringSearch, EqualityComparesUpToTheTerminator)
{
    EXPECT_TRUE(TmyString("abc") == "abc");
    EXPECT_TRUE(TmyString("abc") != "abcd");
    EXPECT_TRUE(TmyString("") == static_cast<const char*>(nullptr));
    EXPECT_FALSE(TmyString("abc") == TmyString("abd"));
    EXPECT_TRUE(TmyWideString(L"ab") == TmyWideString(L"ab"));
    EXPECT_FALSE(TmyWideString(L"ab") == TmyWideString(L"abc"));
}

TEST(StringSearch, LowerCaseLeavesTheSourceAlone)
{
    const TmyString text("MiXeD 42");
    const TmyString lower = text.LowerCase();
    EXPECT_STREQ("mixed 42", lower.c_str());
    EXPECT_STREQ("MiXeD 42", text.c_str());
    EXPECT_EQ(1, text.References());
}

// ---------------------------------------------------- command-line tokens

// All tokens of a command line, separated by '|'; "stuck" when a token
// leaves the position where it was.
std::string Tokens(const char* line)
{
    std::string all;
    TmyString token;
    const char* p = line;
    while (*p != 0) {
        const char* next = token.NextToken(p);
        if (next == p)
            return all + "stuck";
        all += std::string(token.c_str()) + "|";
        p = next;
    }
    return all;
}

TEST(StringTokens, QuotesKeepBlanksAndAreDropped)
{
    EXPECT_EQ("ab cd|", Tokens("a\"b c\"d"));
    EXPECT_EQ("prog|/l|two words|", Tokens("prog  /l \"two words\""));
    EXPECT_EQ("open end|", Tokens("\"open end"));
}

TEST(StringTokens, LeadingQuotePairIsSkipped)
{
    EXPECT_EQ("x|", Tokens("\"\" x"));
    EXPECT_EQ("x|", Tokens("\"\"\"\"x"));
    EXPECT_EQ("ab|", Tokens("a\"\"b"));
    TmyString token("old");
    const char* rest = token.NextToken("  \"\"  ");
    EXPECT_STREQ("", token.c_str());
    EXPECT_EQ('\0', *rest);
}

TEST(StringTokens, HighBytesAreBlanksOutsideQuotes)
{
    EXPECT_EQ("a|b|", Tokens("a\xA0" "b"));
    EXPECT_EQ("\xE4\xF6|", Tokens("\"\xE4\xF6\""));
    EXPECT_EQ("a|b|", Tokens("\x01\x1F" "a\t\r\n" "b"));
}

TEST(StringTokens, TokenIsCutAt4095Bytes)
{
    const std::string line = std::string(5000, 'q') + " next";
    TmyString token;
    const char* rest = token.NextToken(line.c_str());
    EXPECT_EQ(4095u, token.Length());
    EXPECT_EQ(line.c_str() + 4095, rest);

    const std::string quoted = "\"" + std::string(5000, ' ') + "\"";
    rest = token.NextToken(quoted.c_str());
    EXPECT_EQ(4095u, token.Length());
    EXPECT_EQ(quoted.c_str() + 4096, rest);
}

// ------------------------------------------------------------ conversions

TEST(StringConversion, WideTextRoundTripsThroughTheAnsiCodePage)
{
    const TmyWideString wide(L"Serial 12AB");
    const TmyString narrow = wide.ToString();
    EXPECT_STREQ("Serial 12AB", narrow.c_str());
    EXPECT_EQ(11u, narrow.Length());
    EXPECT_EQ(12u, narrow.Capacity());
    const TmyWideString back("Serial 12AB", CP_ACP, -1);
    EXPECT_TRUE(back == wide);
    EXPECT_EQ(11u, back.Length());
    EXPECT_EQ(13u, back.Capacity());  // measured size (terminator included) + 1
}

TEST(StringConversion, ByteCountLimitsTheConvertedText)
{
    const TmyWideString part("abcdef", CP_ACP, 3);
    EXPECT_EQ(std::wstring(L"abc"), part.c_str());
    EXPECT_EQ(4u, part.Capacity());
    const TmyString narrow(L"abcdef", CP_ACP, 2);
    EXPECT_STREQ("ab", narrow.c_str());
    EXPECT_EQ(3u, narrow.Capacity());
}

TEST(StringConversion, EmptyAndFailedConversionsGiveEmptyStrings)
{
    const TmyString fromEmpty{TmyWideString()};
    EXPECT_EQ(0u, fromEmpty.Length());
    EXPECT_EQ(1u, fromEmpty.Capacity());
    const TmyString fromNull(static_cast<const wchar_t*>(nullptr), CP_ACP, -1);
    EXPECT_EQ(0u, fromNull.Length());
    const TmyWideString wideFromNull(static_cast<const char*>(nullptr), CP_ACP, -1);
    EXPECT_EQ(0u, wideFromNull.Length());
    EXPECT_EQ(1u, wideFromNull.Capacity());
}

TEST(StringConversion, InvalidMultibyteInputGivesEmptyString)
{
    const TmyWideString invalid("ok\xC3\x28", CP_UTF8, -1);
    EXPECT_EQ(0u, invalid.Length());
    EXPECT_EQ(1u, invalid.Capacity());
}

TEST(StringConversion, Utf8TextConverts)
{
    const TmyWideString text("\xC3\xA9t\xC3\xA9", CP_UTF8, -1);
    EXPECT_EQ(std::wstring(L"\u00E9t\u00E9"), text.c_str());
    const TmyString back(text.c_str(), CP_UTF8, -1);
    EXPECT_STREQ("\xC3\xA9t\xC3\xA9", back.c_str());
    EXPECT_EQ(7u, back.Capacity());  // 5 bytes, terminator, one more cell
}

}  // namespace
