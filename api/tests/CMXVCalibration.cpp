// The calibration image: header load, block cache, raw data, image writes and
// the SS correction, against a simulated converter whose memory holds a known
// image.
#include "ApiTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "CalibrationSegment.h"

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";
constexpr uint16_t allSegments = 0x3FFF;

// A data byte of the test image: never 0 at offset 0, neighbours differ.
int8_t DataByte(unsigned k)
{
    return static_cast<int8_t>((k * 37 + 11) & 0xFF);
}

// Format byte 1, the mask, then all 5318 data bytes.
std::string Image(uint16_t mask, uint8_t format = 1)
{
    std::string image{static_cast<char>(format), static_cast<char>(mask & 0xFF), static_cast<char>(mask >> 8)};
    for (unsigned k = 0; k < calibrationBytes; ++k)
        image += static_cast<char>(DataByte(k));
    return image;
}

// An image with mask 0x0005 whose every data byte differs from Image's.
std::string OtherImage()
{
    std::string image = Image(0x0005);
    for (size_t k = imageDataAddress; k < image.size(); ++k)
        image[k] = static_cast<char>(image[k] ^ 0x5A);
    return image;
}

// The memory-read command and its reply for length bytes from address.
std::vector<std::string> MemoryRead(uint16_t address, uint16_t length, const std::string& reply)
{
    const char command[] = {'R', 'C', '\r', static_cast<char>(address & 0xFF), static_cast<char>(address >> 8),
                            static_cast<char>(length & 0xFF), static_cast<char>(length >> 8)};
    return {"purge 1", WriteLine(std::string(command, sizeof command)), ReadLine(length, reply)};
}

// The fetch of cache block b as the traffic shows it.
std::vector<std::string> BlockFetch(unsigned b, const std::string& memory)
{
    uint16_t address = static_cast<uint16_t>(b * calibrationBlockBytes + imageDataAddress);
    return MemoryRead(address, calibrationBlockBytes, memory.substr(address, calibrationBlockBytes));
}

// The memory-write command of one 128-byte chunk at address and its "OK".
std::vector<std::string> ChunkWrite(uint16_t address, const std::string& chunk)
{
    std::string command{'W', 'F', '\r', static_cast<char>(address & 0xFF), static_cast<char>(address >> 8),
                        static_cast<char>(128), 0};
    command += chunk + std::string(128 - chunk.size(), '\0');
    return {WriteLine(command), ReadLine(2, "OK")};
}

// The correction the library owes for frequency f between points p and p + 1.
float ExpectedCorrection(unsigned p, uint64_t f, uint64_t gridHz)
{
    float a = DataByte(p) * 0.5f;
    float c = DataByte(p + 1) * 0.5f;
    return -static_cast<float>(a + (static_cast<long double>(c) - a) * (f - gridHz) / 4000000.0L);
}

class CalibrationImageTest : public apitest::DeviceTest {
protected:
    // Attaches a converter with this firmware and memory image and opens it.
    void OpenWithImage(const std::string& image, const std::string& firmware = "Version 4.2")
    {
        ASSERT_TRUE(Folder.Write("image.bin", image));
        Memory = image + std::string(12288 - image.size(), '\xFF');
        UseBus(apitest::Device(usb, "firmware = " + firmware + "\ncalibration = file:" + Folder.Path +
                                        "image.bin\n"));
        dev = ::Open(usb);
        ASSERT_EQ(0, dev);
        OpenTraffic = Sim.TrafficOf(usb);
        Sim.ClearTraffic();
    }

    unsigned Header()
    {
        unsigned header = 0xDEADBEEF;
        EXPECT_EQ(1, GetCalibrationData(dev, 0, nullptr, 0, &header));
        return header;
    }

    apitest::TempFolder Folder;
    std::string Memory;
    std::vector<std::string> OpenTraffic;
    int dev = -1;
};

TEST_F(CalibrationImageTest, HeaderWordCombinesFormatAndMaskWithoutTraffic)
{
    OpenWithImage(Image(0x2A05));
    EXPECT_EQ(apitest::OpeningTraffic("Version 4.2\r\n", std::string("\x01\x05\x2A", 3)), OpenTraffic);
    EXPECT_EQ(0x00012A05u, Header());
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(CalibrationImageTest, FirmwareBeforeFourHasNoCalibration)
{
    OpenWithImage(Image(allSegments), "Version 3.9");
    EXPECT_EQ(apitest::Concat({{"open", "timeouts 100 100", "baud 9600", "flow 0 0 0", "latency 2", WriteLine("vr\r")},
                               apitest::ByteReads("Version 3.9\r\n")}),
              OpenTraffic)
        << "no memory is read";
    EXPECT_EQ(0u, Header());
    EXPECT_EQ(0.0f, GetSSCorrection(dev, 10000000000ULL));
    unsigned char buffer[4];
    EXPECT_EQ(0, GetCalibrationData(dev, 0, buffer, sizeof buffer, nullptr));
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(CalibrationImageTest, UnreadableVersionReplyHasNoCalibration)
{
    for (const char* firmware : {"Version", "version 4.2", "V5"}) {
        SCOPED_TRACE(firmware);
        OpenWithImage(Image(allSegments), firmware);
        EXPECT_EQ(0u, Header());
        ::Close(dev);
    }
}

TEST_F(CalibrationImageTest, OtherFormatByteOrIncompleteHeaderHasNoCalibration)
{
    OpenWithImage(Image(allSegments, 2));
    EXPECT_EQ(0u, Header()) << "format byte 2";
    ::Close(dev);
    ASSERT_TRUE(Folder.Write("image.bin", Image(allSegments)));
    ASSERT_TRUE(Sim.Configure(apitest::VirtualBus(apitest::Device(
        usb, "calibration = file:" + Folder.Path + "image.bin\nreply.RC = \"\\x01\\xFF\"\n"))));
    dev = ::Open(usb);
    ASSERT_EQ(0, dev);
    EXPECT_EQ(0u, Header()) << "two of the three header bytes";
}

TEST_F(CalibrationImageTest, BlocksAreFetchedInOrderAndOnlyOnce)
{
    OpenWithImage(Image(allSegments));
    unsigned char buffer[20];
    ASSERT_EQ(1, GetCalibrationData(dev, 40, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(apitest::Concat({BlockFetch(0, Memory), BlockFetch(1, Memory)}), Sim.TrafficOf(usb));
    EXPECT_EQ(Memory.substr(43, 20), std::string(reinterpret_cast<char*>(buffer), sizeof buffer));
    Sim.ClearTraffic();
    ASSERT_EQ(1, GetCalibrationData(dev, 0, buffer, sizeof buffer, nullptr));
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(CalibrationImageTest, LastBlockTransferLeavesRestOfCacheIntact)
{
    OpenWithImage(Image(allSegments));
    unsigned char last[18];
    ASSERT_EQ(1, GetCalibrationData(dev, 5300, last, sizeof last, nullptr));
    EXPECT_EQ(BlockFetch(106, Memory), Sim.TrafficOf(usb));
    EXPECT_EQ(Memory.substr(5303, 18), std::string(reinterpret_cast<char*>(last), sizeof last));
    // The transfer's 32 bytes beyond the data area must not mark other blocks present.
    Sim.ClearTraffic();
    unsigned char first[50];
    ASSERT_EQ(1, GetCalibrationData(dev, 0, first, sizeof first, nullptr));
    EXPECT_EQ(BlockFetch(0, Memory), Sim.TrafficOf(usb));
    EXPECT_EQ(Memory.substr(3, 50), std::string(reinterpret_cast<char*>(first), sizeof first));
}

// A block reply still short after its waits comes from a slow converter:
// its rest is discarded, never taken as the next read's data.
TEST_F(CalibrationImageTest, LateRestOfShortBlockReplyIsNeverTakenAsData)
{
    OpenWithImage(Image(allSegments));
    ASSERT_TRUE(Sim.Script(usb, "RC", "delay:180 normal"));
    unsigned char block[50];
    EXPECT_EQ(0, GetCalibrationData(dev, 0, block, sizeof block, nullptr));
    ASSERT_EQ(1, GetCalibrationData(dev, 0, block, sizeof block, nullptr));
    EXPECT_EQ(Memory.substr(3, 50), std::string(reinterpret_cast<char*>(block), sizeof block));
}

TEST_F(CalibrationImageTest, RequestBeyondDataIsInvalidParameterWithoutTraffic)
{
    OpenWithImage(Image(allSegments));
    unsigned char buffer[32];
    const struct {
        unsigned start;
        unsigned length;
    } requests[] = {{5300, 19}, {5318, 1}, {0xFFFFFFF0u, 0x20}, {0x10, 0xFFFFFFF8u}};
    for (const auto& request : requests) {
        testplatform::SetErrorCode(0);
        unsigned header = 7;
        EXPECT_EQ(0, GetCalibrationData(dev, request.start, buffer, request.length, &header)) << request.start;
        EXPECT_EQ(testplatform::invalidParameterCode, testplatform::ErrorCode()) << request.start;
        EXPECT_EQ(7u, header) << "the header word is left alone";
    }
    unsigned header = 0;
    EXPECT_EQ(1, GetCalibrationData(dev, 5318, buffer, 0, &header)) << "a header query at the end";
    EXPECT_EQ(0x00013FFFu, header);
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(CalibrationImageTest, WholeBlocksOfUncalibratedSegmentReadAsZerosWithoutTraffic)
{
    OpenWithImage(Image(0x0001));
    const CalibrationSegment& five = calibrationSegments[5];  // data offsets 2273..2502
    std::string data(five.size, '\x55');
    ASSERT_EQ(1, GetCalibrationData(dev, five.offset, reinterpret_cast<unsigned char*>(&data[0]), five.size,
                                    nullptr));
    EXPECT_EQ(apitest::Concat({BlockFetch(45, Memory), BlockFetch(50, Memory)}), Sim.TrafficOf(usb))
        << "only the partial blocks at the segment's ends are fetched";
    EXPECT_EQ(std::string(five.size, '\0'), data) << "the fetched ends read as zeros too";
}

TEST_F(CalibrationImageTest, CalibratedSegmentBesideUncalibratedOneKeepsItsData)
{
    OpenWithImage(Image(1u << 6));
    unsigned char buffer[10];  // offsets 2500..2509: segment 5 up to 2502, then segment 6
    ASSERT_EQ(1, GetCalibrationData(dev, 2500, buffer, sizeof buffer, nullptr));
    std::string expected = std::string(3, '\0') + Memory.substr(2503 + 3, 7);
    EXPECT_EQ(expected, std::string(reinterpret_cast<char*>(buffer), sizeof buffer));
}

// An image of several chunks goes in with format byte 0 in chunk 0 first and
// chunk 0 as it is last; one chunk goes in once.
TEST_F(CalibrationImageTest, ImageGoesInChunksWithItsFormatByteWrittenLast)
{
    const std::string image = OtherImage().substr(0, 300);
    std::string invalidFirst = image.substr(0, 128);
    invalidFirst[0] = '\0';
    const struct {
        unsigned short length;
        std::vector<std::vector<std::string>> chunks;
        std::string header;  // the format byte and mask read back
    } cases[] = {
        {0, {}, std::string("\x01\xFF\x3F", 3)},
        {100, {ChunkWrite(0, image.substr(0, 100))}, image.substr(0, 3)},
        {300,
         {ChunkWrite(0, invalidFirst), ChunkWrite(128, image.substr(128, 128)), ChunkWrite(256, image.substr(256)),
          ChunkWrite(0, image.substr(0, 128))},
         image.substr(0, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        OpenWithImage(Image(allSegments));
        ASSERT_EQ(1, WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()), c.length));
        std::vector<std::string> expected = {"timeouts 200 100", "purge 1"};
        for (const std::vector<std::string>& chunk : c.chunks)
            expected.insert(expected.end(), chunk.begin(), chunk.end());
        EXPECT_EQ(apitest::Concat({expected,
                                   {"timeouts 100 100", WriteLine("vr\r")},
                                   apitest::ByteReads("Version 4.2\r\n"),
                                   MemoryRead(0, 3, c.header)}),
                  Sim.TrafficOf(usb));
        if (c.length > 0) {
            EXPECT_EQ(image.substr(0, c.length) + std::string(128 - c.length % 128, '\0'),
                      Sim.Memory(usb, 0, (c.length + 127) / 128 * 128));
        }
        ::Close(dev);
    }
}

TEST_F(CalibrationImageTest, LargestImageIsStoredByteForByteIn44Commands)
{
    OpenWithImage(Image(allSegments));
    std::string image = OtherImage() + std::string(5400 - 5321, '\x7E');
    ASSERT_EQ(1, WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()), 5400));
    unsigned commands = 0;
    for (const std::string& event : Sim.TrafficOf(usb))
        commands += event.compare(0, 14, "write 57 46 0D") == 0;
    EXPECT_EQ(44u, commands) << "43 chunks, chunk 0 twice";
    EXPECT_EQ(image + std::string(104, '\0'), Sim.Memory(usb, 0, 5504));
    EXPECT_EQ(0x00010005u, Header());
}

// Whatever command of a write fails, the converter holds the old image, the
// new one whole, or a format byte other than 1; a fresh Open of that memory
// agrees, and so does the failed call's cache unless the converter is gone.
// The 5321-byte image goes in 43 commands: chunk 0 with format byte 0,
// chunks 1 to 41, then chunk 0.
TEST_F(CalibrationImageTest, InterruptedWriteNeverLeavesMixedImageThatReadsAsValid)
{
    const std::string oldImage = Image(allSegments);
    const std::string newImage = OtherImage();
    enum Holds { OldImage, NewImage, NoImage };
    const struct {
        const char* failure;  // "unplug", or the reply of the failing command
        unsigned stored;      // commands the converter stored; the last one failed
        Holds holds;
        unsigned ownHeader;   // the failed call's header word
    } cases[] = {
        {"unplug", 0, OldImage, 0x00013FFF},  // gone before the write starts: nothing sent
        {"unplug", 1, NoImage, 0},
        {"unplug", 2, NoImage, 0},
        {"unplug", 42, NoImage, 0},
        {"unplug", 43, NewImage, 0},  // the last "OK" is lost
        {"\"NO\"", 1, NoImage, 0},
        {"silence", 20, NoImage, 0},
        {"\"NO\"", 43, NewImage, 0x00010005},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.failure) + " after " + std::to_string(c.stored) + " commands");
        OpenWithImage(oldImage);
        std::string replies;
        for (unsigned n = 1; n < c.stored; ++n)
            replies += "normal, ";
        replies += c.failure;
        // Unplugged as the last byte of the last stored command crosses the line.
        const int commandBytes = 135;
        ASSERT_TRUE(c.failure != std::string("unplug") ? Sim.Script(usb, "WF", replies.c_str())
                    : c.stored == 0                     ? Sim.Unplug(usb, 0)
                                                        : Sim.UnplugAfterHostBytes(usb, commandBytes * c.stored));
        EXPECT_EQ(0, WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(newImage.data()), 5321));
        const std::string memory = Sim.Memory(usb, 0, 12288);
        if (c.holds == NoImage)
            EXPECT_NE(1, memory[0]);
        else
            EXPECT_EQ(c.holds == OldImage ? oldImage : newImage, memory.substr(0, newImage.size()));
        EXPECT_EQ(c.ownHeader, Header());
        ::Close(dev);
        OpenWithImage(memory);
        EXPECT_EQ(c.holds == OldImage ? 0x00013FFFu : c.holds == NewImage ? 0x00010005u : 0u, Header())
            << "a fresh Open";
        ::Close(dev);
    }
}

TEST_F(CalibrationImageTest, ImageTooLongOrMissingIsInvalidParameterWithoutTraffic)
{
    OpenWithImage(Image(allSegments));
    std::string image(5401, '\0');
    testplatform::SetErrorCode(0);
    EXPECT_EQ(0, WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()), 5401));
    EXPECT_EQ(testplatform::invalidParameterCode, testplatform::ErrorCode());
    testplatform::SetErrorCode(0);
    EXPECT_EQ(0, WriteCalibrationData(dev, nullptr, 10));
    EXPECT_EQ(testplatform::invalidParameterCode, testplatform::ErrorCode());
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(CalibrationImageTest, CorrectionAtGridPointAndHalfwayInterpolates)
{
    OpenWithImage(Image(allSegments));
    const CalibrationSegment& three = calibrationSegments[3];
    const unsigned q = 100;
    const uint64_t point = three.gridBase + q * calibrationStepHz;
    const unsigned p = three.offset + q;
    EXPECT_EQ(-(DataByte(p) * 0.5f), GetSSCorrection(dev, point));
    EXPECT_EQ(-((DataByte(p) + DataByte(p + 1)) * 0.25f), GetSSCorrection(dev, point + 2000000));
    EXPECT_EQ(ExpectedCorrection(p, point + 1234567, point), GetSSCorrection(dev, point + 1234567));
}

TEST_F(CalibrationImageTest, RepeatedFrequencyReadsConverterOnce)
{
    OpenWithImage(Image(allSegments));
    const uint64_t f = 15000000000ULL;
    float first = GetSSCorrection(dev, f);
    size_t fetches = Sim.TrafficOf(usb).size();
    EXPECT_GT(fetches, 0u);
    EXPECT_EQ(first, GetSSCorrection(dev, f));
    EXPECT_EQ(fetches, Sim.TrafficOf(usb).size());
}

TEST_F(CalibrationImageTest, FirstQueryAfterHeaderLoadComputesEvenAtZeroHertz)
{
    OpenWithImage(Image(allSegments));
    EXPECT_EQ(-(DataByte(0) * 0.5f), GetSSCorrection(dev, 0));
    // A new image replaces the cached correction of the same frequency.
    std::string image = Image(allSegments).substr(0, 4);
    image[3] = 40;
    ASSERT_EQ(1, WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()), 4));
    EXPECT_EQ(-20.0f, GetSSCorrection(dev, 0));
}

TEST_F(CalibrationImageTest, SegmentOneGridStartsEightMegahertzBelowItsRange)
{
    OpenWithImage(Image(allSegments));
    // Point 0 of segment 1 (data offset 728) lies at 2892000000 Hz.
    EXPECT_EQ(-(DataByte(730) * 0.5f), GetSSCorrection(dev, 2900000000ULL));
    EXPECT_EQ(ExpectedCorrection(742, 2950000000ULL, 2948000000ULL), GetSSCorrection(dev, 2950000000ULL));
}

TEST_F(CalibrationImageTest, FrequencyAt21GigahertzOrAboveHasNoCorrection)
{
    OpenWithImage(Image(allSegments));
    EXPECT_EQ(0.0f, GetSSCorrection(dev, 21000000000ULL));
    EXPECT_EQ(0.0f, GetSSCorrection(dev, UINT64_MAX));
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
    EXPECT_NE(0.0f, GetSSCorrection(dev, 20999999999ULL)) << "the last block serves the top of the range";
}

// The segment lookup on its own, with a table whose segment 1 starts above
// its grid's base, as older tables had it.
TEST(CalibrationPointTest, FrequencyBelowSegmentGridBaseHasNoPoint)
{
    CalibrationSegment table[calibrationSegmentCount];
    std::copy(std::begin(calibrationSegments), std::end(calibrationSegments), table);
    table[1].from = 2990000000ULL;
    table[1].gridBase = 2982000000ULL;
    CalibrationPoint point{};
    EXPECT_FALSE(LocateCalibrationPoint(2950000000ULL, table, point));
    ASSERT_TRUE(LocateCalibrationPoint(2990000000ULL, table, point));
    EXPECT_EQ(730u, point.dataOffset);
    ASSERT_TRUE(LocateCalibrationPoint(2950000000ULL, calibrationSegments, point));
    EXPECT_EQ(1u, point.segment);
    EXPECT_EQ(742u, point.dataOffset);
    EXPECT_EQ(2948000000ULL, point.gridHz);
}

}  // namespace
