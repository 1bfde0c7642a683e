// Surfaces and JPEG files: surface creation limits and pixel packing
// (RGB565 checked bit by bit), and the file paths of the coder: reading in
// pieces, the open and read errors, writing with the file cut to the
// stream, and a full disk, a failing write, a failing cut or an abort that
// leave no file behind.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host_file.h"
#include "jpeg_peer.h"
#include "kova_fixture.h"

namespace {

constexpr HostFaults kNoFaults = {0, 0, 0, 0, 0, false, -1};
constexpr size_t kPiece = 4096;  // the coder reads and writes files in pieces of this size

class Images : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    baseline_ = MEM_LiveBlocks();
  }
  void TearDown() override {
    HOST_SetFaults(nullptr);
    HOST_SetFileOps(nullptr);
    for (ImgSurface*& s : surfaces_) IMG_SurfaceFree(&s);
    EXPECT_EQ(baseline_, MEM_LiveBlocks()) << "a block leaked";
    KovaTest::TearDown();
  }
  ImgSurface* Surface(int16_t w, int16_t h, uint16_t depth = IMG_DEPTH_24) {
    ImgSurface* s = nullptr;
    EXPECT_EQ(0, IMG_SurfaceNew(&s, w, h, depth));
    surfaces_.push_back(s);
    return s;
  }
  // A busy picture: its stream is well over one 4 KiB piece.
  ImgSurface* Noise(int16_t w, int16_t h) {
    ImgSurface* s = Surface(w, h);
    uint32_t v = 12345;
    for (int16_t y = 0; y < h; y++)
      for (int16_t x = 0; x < w; x++) IMG_SetPixel(s, x, y, (v = v * 1103515245 + 12345) >> 8);
    return s;
  }
  void ArmFaults(HostFaults faults) {
    HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
    HOST_SetFaults(&faults);
  }
  bool DataFileExists(const char* name) { return HostFileExists(DataDir() + "/" + name); }
  uint32_t baseline_ = 0;
  std::vector<ImgSurface*> surfaces_;
};

using ImgSurfaces = Images;
using JpgFiles = Images;

// --- surfaces ---

TEST_F(ImgSurfaces, RejectsBadSidesAndDepths) {
  ImgSurface* s = reinterpret_cast<ImgSurface*>(0x1);
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, 0, 10, IMG_DEPTH_24));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, 10, 0, IMG_DEPTH_16));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, -5, 10, IMG_DEPTH_24));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, 10, IMG_MAX_SIDE + 1, IMG_DEPTH_24));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, 10, 10, 8));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(&s, 10, 10, 32));
  EXPECT_EQ(ERR_IMG_PARAM, IMG_SurfaceNew(nullptr, 10, 10, IMG_DEPTH_24));
  EXPECT_EQ(reinterpret_cast<ImgSurface*>(0x1), s);
}

TEST_F(ImgSurfaces, NewSurfacesAreZeroFilledWithPackedRows) {
  ImgSurface* a = Surface(7, 3, IMG_DEPTH_24);
  ImgSurface* b = Surface(7, 3, IMG_DEPTH_16);
  EXPECT_EQ(21u, a->rowBytes);
  EXPECT_EQ(14u, b->rowBytes);
  EXPECT_EQ(63u, MEM_Size(a->pixels));
  EXPECT_EQ(42u, MEM_Size(b->pixels));
  EXPECT_TRUE(std::all_of(a->pixels, a->pixels + 63, [](uint8_t v) { return v == 0; }));
  EXPECT_EQ(7, b->width);
  EXPECT_EQ(3, b->height);
  EXPECT_EQ(IMG_DEPTH_16, b->depth);
  // The largest sides are allowed when the block fits the allocator.
  ImgSurface* wide = Surface(IMG_MAX_SIDE, 1, IMG_DEPTH_24);
  EXPECT_EQ(uint32_t(IMG_MAX_SIDE) * 3, wide->rowBytes);
}

TEST_F(ImgSurfaces, TooLargeOrFailedAllocationIsMemFull) {
  ImgSurface* s = nullptr;
  EXPECT_EQ(ERR_MEM_FULL, IMG_SurfaceNew(&s, IMG_MAX_SIDE, IMG_MAX_SIDE, IMG_DEPTH_24));
  for (uint32_t n : {1u, 2u}) {
    MEM_FailNthAlloc(n);
    EXPECT_EQ(ERR_MEM_FULL, IMG_SurfaceNew(&s, 10, 10, IMG_DEPTH_16)) << n;
    MEM_FailNthAlloc(0);
    EXPECT_EQ(baseline_, MEM_LiveBlocks()) << n;
  }
  EXPECT_EQ(nullptr, s);
}

TEST_F(ImgSurfaces, TwentyFourBitPixelsAreStoredAsRgbBytes) {
  ImgSurface* s = Surface(4, 2, IMG_DEPTH_24);
  IMG_SetPixel(s, 3, 1, 0x123456);
  const uint8_t* p = s->pixels + s->rowBytes + 9;
  EXPECT_EQ((std::vector<uint8_t>{0x12, 0x34, 0x56}), std::vector<uint8_t>(p, p + 3));
  EXPECT_EQ(0x123456u, IMG_GetPixel(s, 3, 1));
  IMG_SetPixel(s, 0, 0, 0xFFABCDEF);  // the top byte is not a colour
  EXPECT_EQ(0xABCDEFu, IMG_GetPixel(s, 0, 0));
}

TEST_F(ImgSurfaces, SixteenBitPixelsAreRgb565WidenedByRepeatingHighBits) {
  ImgSurface* s = Surface(4, 1, IMG_DEPTH_16);
  auto stored = [&](int x) {
    uint16_t v;
    memcpy(&v, s->pixels + 2 * x, 2);
    return v;
  };
  IMG_SetPixel(s, 0, 0, 0xFF0000);
  IMG_SetPixel(s, 1, 0, 0x00FF00);
  IMG_SetPixel(s, 2, 0, 0x0000FF);
  IMG_SetPixel(s, 3, 0, 0x0F1F2F);
  EXPECT_EQ(0xF800, stored(0));
  EXPECT_EQ(0x07E0, stored(1));
  EXPECT_EQ(0x001F, stored(2));
  // 0x0F -> 00001, 0x1F -> 000111, 0x2F -> 00101
  EXPECT_EQ((1 << 11) | (7 << 5) | 5, stored(3));
  EXPECT_EQ(0xFF0000u, IMG_GetPixel(s, 0, 0));
  EXPECT_EQ(0x00FF00u, IMG_GetPixel(s, 1, 0));
  EXPECT_EQ(0x0000FFu, IMG_GetPixel(s, 2, 0));
  // r 1 -> 00001000 | 000 = 0x08, g 7 -> 00011100 | 00 = 0x1C, b 5 -> 00101001 = 0x29
  EXPECT_EQ(0x081C29u, IMG_GetPixel(s, 3, 0));
}

TEST_F(ImgSurfaces, OutsideTheSurfaceReadsZeroAndWritesNothing) {
  ImgSurface* s = Surface(3, 3, IMG_DEPTH_24);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 3}, {-32768, 32767}})
    IMG_SetPixel(s, int16_t(x), int16_t(y), 0xFFFFFF);
  EXPECT_TRUE(std::all_of(s->pixels, s->pixels + 27, [](uint8_t v) { return v == 0; }));
  IMG_SetPixel(s, 2, 2, 0xFFFFFF);
  EXPECT_EQ(0u, IMG_GetPixel(s, 3, 2));
  EXPECT_EQ(0u, IMG_GetPixel(nullptr, 0, 0));
  IMG_SetPixel(nullptr, 0, 0, 1);
}

TEST_F(ImgSurfaces, FreeClearsThePointerAndIgnoresNull) {
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 5, 5, IMG_DEPTH_16));
  EXPECT_EQ(baseline_ + 2, MEM_LiveBlocks());
  IMG_SurfaceFree(&s);
  EXPECT_EQ(nullptr, s);
  IMG_SurfaceFree(&s);
  IMG_SurfaceFree(nullptr);
  EXPECT_EQ(baseline_, MEM_LiveBlocks());
}

// --- files ---

TEST_F(JpgFiles, EncodedFileIsTheSameStreamAsInMemory) {
  ImgSurface* s = Noise(300, 200);
  uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(0, JPG_Encode(s, 85, &data, &size, nullptr, 0));
  std::vector<uint8_t> memory(data, data + size);
  MEM_Free(data);
  ASSERT_GT(size, 3 * kPiece);
  ASSERT_EQ(0, JPG_EncodeFile(s, 85, VOL_DOCUMENTS, "!", "noise.jpg", nullptr, 0));
  EXPECT_EQ(memory, ReadDataFile("noise.jpg"));
  PeerImage peer;
  EXPECT_TRUE(PeerDecode(ReadDataFile("noise.jpg"), &peer));
  EXPECT_EQ(300, peer.width);
}

TEST_F(JpgFiles, RewritingALongerFileCutsItToTheStream) {
  WriteDataFile("pic.jpg", std::vector<uint8_t>(100000, 0xAB));
  ImgSurface* s = Surface(72, 72);
  ASSERT_EQ(0, JPG_EncodeFile(s, 60, VOL_DOCUMENTS, "!", "pic.jpg", nullptr, 0));
  std::vector<uint8_t> bytes = ReadDataFile("pic.jpg");
  ASSERT_LT(bytes.size(), 10000u);
  EXPECT_EQ(0xD9, bytes.back());
  EXPECT_EQ(0xD9, ParseMarkers(bytes).back().marker);
}

TEST_F(JpgFiles, DecodingAFileInPiecesMatchesDecodingItInMemory) {
  ImgSurface* s = Noise(320, 240);
  ASSERT_EQ(0, JPG_EncodeFile(s, 95, VOL_DOCUMENTS, "!", "big.jpg", nullptr, 0));
  std::vector<uint8_t> bytes = ReadDataFile("big.jpg");
  ASSERT_GT(bytes.size(), 10 * kPiece);
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, JPG_ReadFileSize(VOL_DOCUMENTS, "!", "big.jpg", &w, &h));
  EXPECT_EQ(320, w);
  EXPECT_EQ(240, h);
  ImgSurface* fromFile = Surface(100, 75, IMG_DEPTH_16);
  ImgSurface* fromMemory = Surface(100, 75, IMG_DEPTH_16);
  ASSERT_EQ(0, JPG_DecodeFile(VOL_DOCUMENTS, "!", "big.jpg", fromFile, nullptr, 0));
  ASSERT_EQ(0, JPG_Decode(bytes.data(), uint32_t(bytes.size()), fromMemory, nullptr, 0));
  EXPECT_EQ(0, memcmp(fromFile->pixels, fromMemory->pixels, 100 * 75 * 2));
}

TEST_F(JpgFiles, MissingDamagedAndUnreadableFiles) {
  ImgSurface* t = Surface(10, 10);
  FileRef probe = nullptr;
  Err openErr = FIL_Open(&probe, VOL_DOCUMENTS, "!", "none.jpg", FIL_MODE_READ);
  ASSERT_NE(0, openErr);
  EXPECT_EQ(openErr, JPG_ReadFileSize(VOL_DOCUMENTS, "!", "none.jpg", nullptr, nullptr));
  EXPECT_EQ(openErr, JPG_DecodeFile(VOL_DOCUMENTS, "!", "none.jpg", t, nullptr, 0));
  EXPECT_FALSE(DataFileExists("none.jpg"));  // reading never creates it
  WriteDataFile("text.jpg", std::vector<uint8_t>(5000, 'x'));
  EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_ReadFileSize(VOL_DOCUMENTS, "!", "text.jpg", nullptr, nullptr));
  EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_DecodeFile(VOL_DOCUMENTS, "!", "text.jpg", t, nullptr, 0));
  ASSERT_EQ(0, JPG_EncodeFile(Noise(200, 200), 90, VOL_DOCUMENTS, "!", "cut.jpg", nullptr, 0));
  std::vector<uint8_t> whole = ReadDataFile("cut.jpg");
  for (size_t keep : {size_t(2), size_t(700), whole.size() / 2, whole.size() - 1}) {
    WriteDataFile("cut.jpg", std::vector<uint8_t>(whole.begin(), whole.begin() + long(keep)));
    EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_DecodeFile(VOL_DOCUMENTS, "!", "cut.jpg", t, nullptr, 0))
        << keep;
  }
  // A host read failing half way is a read error, not a damaged picture.
  WriteDataFile("cut.jpg", whole);
  HostFaults faults = kNoFaults;
  faults.failReadAt = 1;
  faults.failAfter = true;
  ArmFaults(faults);
  EXPECT_EQ(ERR_READ, JPG_DecodeFile(VOL_DOCUMENTS, "!", "cut.jpg", t, nullptr, 0));
}

TEST_F(JpgFiles, FullDiskLeavesNoFile) {
  ImgSurface* s = Noise(200, 150);
  for (int64_t room : {int64_t(0), int64_t(100), int64_t(4096), int64_t(9000)}) {
    HostFaults faults = kNoFaults;
    faults.diskFreeBytes = room;
    ArmFaults(faults);
    EXPECT_EQ(ERR_DISK_FULL, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "!", "full.jpg", nullptr, 0))
        << room;
    EXPECT_FALSE(DataFileExists("full.jpg")) << room;
    EXPECT_EQ(baseline_ + 2, MEM_LiveBlocks());  // only the surface
  }
}

TEST_F(JpgFiles, FailedWriteCutOrAbortLeavesNoFile) {
  ImgSurface* s = Noise(200, 150);
  HostFaults write = kNoFaults;
  write.failWriteAt = 2;
  ArmFaults(write);
  EXPECT_EQ(ERR_WRITE, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "!", "w.jpg", nullptr, 0));
  EXPECT_FALSE(DataFileExists("w.jpg"));
  HostFaults cut = kNoFaults;
  cut.failTruncateAt = 1;
  ArmFaults(cut);
  EXPECT_EQ(ERR_WRITE, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "!", "t.jpg", nullptr, 0));
  EXPECT_FALSE(DataFileExists("t.jpg"));
  HOST_SetFaults(nullptr);
  auto stopAt20 = [](int32_t done, int32_t, uintptr_t) { return done < 20; };
  EXPECT_EQ(ERR_IMG_ABORTED, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "!", "a.jpg", stopAt20, 0));
  EXPECT_FALSE(DataFileExists("a.jpg"));
}

TEST_F(JpgFiles, EncodingFileRejectsBadSourcesBeforeTouchingTheFile) {
  EXPECT_EQ(ERR_IMG_PARAM, JPG_EncodeFile(nullptr, 90, VOL_DOCUMENTS, "!", "n.jpg", nullptr, 0));
  EXPECT_FALSE(DataFileExists("n.jpg"));
  ImgSurface* s = Surface(8, 8);
  EXPECT_NE(0, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "no such dir", "n.jpg", nullptr, 0));
}

}  // namespace
