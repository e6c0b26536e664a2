#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "send/RiffReader.h"
#include "support/ScratchDir.h"
#include "support/WaveFileBuilder.h"

namespace tarnwick {
namespace {

using test::ScratchDir;
using test::WaveFileBuilder;

class RiffReaderTest : public ::testing::Test {
protected:
    // Opens a file holding `bytes` and finds its WAVE form.
    bool OpenForm(const std::string& bytes) {
        const std::string path = dir_.File("f.wav");
        return ScratchDir::Write(path, bytes) && riff_.Open(path) && riff_.FindForm(FourCc("WAVE"));
    }

    std::string ReadAll() {
        std::string out(static_cast<size_t>(riff_.ChunkSize()), '\0');
        out.resize(riff_.ReadChunk(out.data(), out.size()));
        return out;
    }

    ScratchDir dir_;
    RiffReader riff_;
};

TEST_F(RiffReaderTest, WalksChunksInOrderSkippingOddOnesByTheirPadByte) {
    ASSERT_TRUE(OpenForm(WaveFileBuilder()
                             .Chunk("fmt ", "abcdefghijklmnop")
                             .Chunk("LIST", "odd")  // three bytes and a pad byte
                             .Chunk("data", "12345")
                             .Bytes()));
    ASSERT_TRUE(riff_.Descend(FourCc("fmt ")));
    EXPECT_EQ(ReadAll(), "abcdefghijklmnop");
    riff_.Ascend();
    ASSERT_TRUE(riff_.Descend(FourCc("data")));
    EXPECT_EQ(riff_.ChunkSize(), 5u);
    EXPECT_EQ(ReadAll(), "12345");
}

TEST_F(RiffReaderTest, SearchesOnlyForwardAndAFailedSearchKeepsThePlace) {
    ASSERT_TRUE(OpenForm(WaveFileBuilder()
                             .Chunk("data", "before")
                             .Chunk("fmt ", "f")
                             .Chunk("data", "after")
                             .Bytes()));
    ASSERT_TRUE(riff_.Descend(FourCc("fmt ")));
    riff_.Ascend();
    EXPECT_FALSE(riff_.Descend(FourCc("LIST")));
    ASSERT_TRUE(riff_.Descend(FourCc("data")));
    EXPECT_EQ(ReadAll(), "after");
}

TEST_F(RiffReaderTest, ClaimedSizesBeyondTheFileReportOnlyWhatIsThere) {
    ASSERT_TRUE(OpenForm(WaveFileBuilder()
                             .Chunk("data", "eight ch", 0xFFFFFFF0u)
                             .Bytes("RIFF", "WAVE", 0xFFFFFFFFu)));
    ASSERT_TRUE(riff_.Descend(FourCc("data")));
    EXPECT_EQ(riff_.ChunkSize(), 0xFFFFFFF0u);
    EXPECT_EQ(riff_.ChunkAvailable(), 8u);
    char buffer[64];
    EXPECT_EQ(riff_.ReadChunk(buffer, sizeof buffer), 8u);
}

TEST_F(RiffReaderTest, OpensOnlyRegularFiles) {
    EXPECT_FALSE(riff_.Open(dir_.File("missing.wav")));
    EXPECT_FALSE(riff_.Open(dir_.Path()));
    const std::string fifo = dir_.File("pipe.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(riff_.Open(fifo)) << "a FIFO must neither open nor block";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    char c;
    EXPECT_EQ(riff_.ReadChunk(&c, 1), 0u);
    EXPECT_FALSE(riff_.FindForm(FourCc("WAVE")));
}

}  // namespace
}  // namespace tarnwick
