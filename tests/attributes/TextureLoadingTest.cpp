#include "AttributesTestSupport.h"
#include "fixtures/PictureFiles.h"
#include "fixtures/TempDir.h"

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "Model3D/attributes/textures/TextureLoading.h"
#include "platform/BMMemory.h"
#include "platform/KitException.h"
#include "platform/PFFileRef.h"
#include "platform/PFPictureFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace AttributesTest;
using namespace TestSupport;
using Modeler::Attributes;

namespace {

struct LibraryFolder {
	TempDir dir;
	LibraryFolder() { PFSetLibraryFolder(IO::Location(dir.Path())); }
	~LibraryFolder() { PFSetLibraryFolder(IO::Location()); }
	void Write(const char* name, const std::vector<UInt8>& bytes) const { WriteFile(dir.Path() / name, bytes); }
	char* Ref(const char* name) const { return PFCreateFileRef(IO::Location(dir.Path() / name)); }
};

// Adds a texture of the given picture file and returns its index.
Int32 AddTexture(Attributes::Modifier& m, const LibraryFolder& library, const char* file, UInt16 status, Int16 width,
                 Int16 height, float xSize = 1.0f, float ySize = 1.0f) {
	RTXT texture = MakeTexture(file, width, height);
	texture.status = static_cast<UInt16>(status | RTXTPixelsNotLoaded);
	texture.xSize = xSize;
	texture.ySize = ySize;
	TXTA attributes{library.Ref(file), 0, 0};
	const Int32 index = m.AddTexture(texture, attributes);
	PFFreeFileRef(&attributes.fileRef);
	return index;
}

const UInt8* TexturePixel(const RTXT& t, Int32 x, Int32 y) {
	return reinterpret_cast<const UInt8*>(*t.pixels) + (Int64(y) * t.pixelWidth + x) * 4;
}

// The sum of one byte over a rectangle, from the table with unsigned arithmetic, as a
// reader of the table takes it.
UInt32 TableSum(const UInt32* table, Int32 width, Int32 x0, Int32 y0, Int32 x1, Int32 y1, int c) {
	const auto cell = [&](Int32 x, Int32 y) -> UInt32 {
		return (x < 0 || y < 0) ? 0u : table[(USize(y) * USize(width) + USize(x)) * 4 + USize(c)];
	};
	return cell(x1, y1) - cell(x0 - 1, y1) - cell(x1, y0 - 1) + cell(x0 - 1, y0 - 1);
}

TEST(TextureLoading, StretchTextureBoundsFitsTheAspectWithEqualMargins) {
	struct Case {
		Int16 mode;
		double xSize, ySize;
		KitRect bounds;
		Int16 side, margin;
		KitRect fitted;
	};
	const Case cases[] = {
	    {0, 1, 1, {0, 0, 20, 40}, 0, 7, {0, 0, 20, 40}},    {1, 1, 1, {0, 0, 20, 40}, 1, 10, {-10, 0, 30, 40}},
	    {1, 1, 1, {0, 0, 40, 20}, 2, 10, {0, -10, 40, 30}}, {2, 1, 1, {0, 0, 20, 40}, 3, 10, {0, 10, 20, 30}},
	    {3, 1, 1, {0, 0, 40, 20}, 4, 10, {10, 0, 30, 20}},  {1, 2, 1, {0, 0, 20, 40}, 2, 0, {0, 0, 20, 40}},
	    {2, 3, 1, {0, 0, 20, 40}, 4, 3, {3, 0, 17, 40}},    {1, 0, 1, {0, 0, 20, 40}, 0, 7, {0, 0, 20, 40}},
	    {1, 1, -2, {0, 0, 20, 40}, 0, 7, {0, 0, 20, 40}},   {2, NAN, 1, {0, 0, 20, 40}, 0, 7, {0, 0, 20, 40}},
	};
	for (const Case& c : cases) {
		Int16 margin = 7;
		KitRect bounds = c.bounds;
		EXPECT_EQ(StretchTextureBounds(c.mode, c.xSize, c.ySize, &margin, &bounds), c.side) << c.mode;
		EXPECT_EQ(margin, c.margin) << c.mode;
		EXPECT_EQ(bounds, c.fitted) << c.mode << " " << c.xSize;
	}
	// Over many shapes and aspects: the fitted rectangle has the texture's aspect to
	// within the pixels that truncation takes, and grows or shrinks as its mode says.
	for (Int16 w = 1; w < 60; w += 7)
		for (Int16 h = 1; h < 60; h += 5)
			for (double aspect : {0.3, 1.0, 1.7, 4.0})
				for (Int16 mode : {1, 2}) {
					KitRect b{0, 0, h, w};
					Int16 margin = 0;
					StretchTextureBounds(mode, aspect, 1.0, &margin, &b);
					const double fw = b.right - b.left;
					const double fh = b.bottom - b.top;
					EXPECT_NEAR(fw, fh * aspect, 2.0 * std::max(1.0, aspect));
					if (mode == 1)
						EXPECT_TRUE(fw >= w && fh >= h);
					else
						EXPECT_TRUE(fw <= w && fh <= h);
				}
}

TEST(TextureLoading, TexturesLoadInEveryAspectModeOrStayUnloaded) {
	LibraryFolder library;
	// 40 x 20 pictures: wider than the square textures below.
	const TestPicture wide = MakeRampPicture(40, 20, 5);
	library.Write("wide.png", EncodePng(wide, PngKind::Rgb));
	library.Write("alpha.png", EncodePng(wide, PngKind::Argb));
	library.Write("wide.jpg", EncodeJpeg(wide, JpegKind::Baseline, 100));
	library.Write("clear.png", EncodePng(MakeUniformPicture(40, 20, 0, 9, 9, 9), PngKind::Argb));
	std::vector<UInt8> png = EncodePng(wide, PngKind::Rgb);
	library.Write("truncated.png", std::vector<UInt8>(png.begin(), png.begin() + long(png.size() / 2)));
	library.Write("forged.png", ForgePngSize(png, 5000, 5000));
	library.Write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});

	Attributes::Modifier m(Attributes::New());
	struct Case {
		const char* file;
		UInt16 status;
		Int16 width, height;
		bool loads;
		UInt16 statusAfter; // without the not-loaded bit
	};
	const Case cases[] = {
	    {"wide.png", 0x0000, 40, 20, true, 0x0000},           // mode 0: as it is
	    {"wide.png", 0x0002, 40, 40, true, 0x0002},           // extend: rows added
	    {"wide.png", 0x0004, 20, 20, true, 0x0004},           // crop: columns taken
	    {"wide.png", 0x1000, 40, 20, true, 0x1000 | 0x8000},  // own proportions: a table
	    {"wide.png", 0x1001, 40, 20, true, 0x1000 | 0x8000},  // no alpha: no mask
	    {"alpha.png", 0x1001, 40, 20, true, 0x1001 | 0x8000}, // alpha kept as the mask
	    {"clear.png", 0x0001, 40, 20, true, 0x0000},          // all-zero alpha loses the mask
	    {"wide.jpg", 0x1000, 40, 20, true, 0x1000 | 0x8000},  // JPEG
	    {"alpha.png", 0x5000, 40, 20, true, 0x5000},          // resident: no table
	    {"wide.png", 0x0000, 40, 40, false, 0},               // wrong size
	    {"wide.png", 0x0002, 40, 20, false, 0},               // fitted size differs
	    {"wide.png", 0x1000, 20, 40, false, 0},               // own size differs
	    {"truncated.png", 0x1000, 40, 20, false, 0},
	    {"forged.png", 0x1000, 5000, 5000, false, 0},
	    {"text.png", 0x1000, 40, 20, false, 0},
	    {"missing.png", 0x1000, 40, 20, false, 0},
	};
	for (const Case& c : cases)
		AddTexture(m, library, c.file, c.status, c.width, c.height);

	Int64 expectedBytes = 0;
	for (const Case& c : cases)
		if (c.loads) expectedBytes += Int64(c.width) * c.height * ((c.statusAfter & 0x8000) != 0 ? 20 : 4);
	EXPECT_EQ(m.LoadAllTexturesPixels(Modeler::LoadPixelsAndSummedAreaTable), expectedBytes);

	for (UInt32 i = 1; i <= std::size(cases); ++i) {
		const Case& c = cases[i - 1];
		const RTXT& t = *m.GetConstTexturePtr(i);
		const std::string what = std::string(c.file) + " #" + std::to_string(i);
		if (!c.loads) {
			EXPECT_EQ(t.pixels, nullptr) << what;
			EXPECT_NE(t.status & RTXTPixelsNotLoaded, 0) << what;
			continue;
		}
		ASSERT_NE(t.pixels, nullptr) << what;
		EXPECT_EQ(t.status, c.statusAfter) << what;
		EXPECT_EQ(t.pixelDepth, 32);
	}

	// Mode 0 is the picture; extending adds 10 white rows above and below, marked 0 in
	// the first byte while the picture's rows are marked 0xFF; cropping keeps the middle
	// 20 columns.
	const RTXT& plain = *m.GetConstTexturePtr(1);
	const RTXT& extended = *m.GetConstTexturePtr(2);
	const RTXT& cropped = *m.GetConstTexturePtr(3);
	for (Int32 y = 0; y < 40; ++y)
		for (Int32 x = 0; x < 40; ++x) {
			const bool inside = y >= 10 && y < 30;
			const UInt8* p = TexturePixel(extended, x, y);
			ASSERT_EQ(p[0], inside ? 0xFF : 0) << x << "," << y;
			for (int k = 1; k < 4; ++k)
				ASSERT_EQ(p[k], inside ? wide.At(x, y - 10)[k] : 255) << x << "," << y;
			if (y < 20) {
				ASSERT_EQ(std::memcmp(TexturePixel(plain, x, y) + 1, wide.At(x, y) + 1, 3), 0);
				ASSERT_EQ(TexturePixel(plain, x, y)[0], 0);
			}
			if (y < 20 && x < 20) {
				ASSERT_EQ(std::memcmp(TexturePixel(cropped, x, y) + 1, wide.At(x + 10, y) + 1, 3), 0);
			}
		}
	// The alpha picture keeps its alpha as the mask.
	EXPECT_EQ(TexturePixel(*m.GetConstTexturePtr(6), 3, 4)[0], wide.At(3, 4)[0]);

	// Loading again changes nothing and counts the same bytes; unloading and loading with
	// pixels only gives no tables, and resident pixels stay.
	EXPECT_EQ(m.LoadAllTexturesPixels(Modeler::LoadPixelsAndSummedAreaTable), expectedBytes);
	m.UnloadAllTexturesPixels();
	EXPECT_NE(m.GetConstTexturePtr(9)->pixels, nullptr);
	EXPECT_EQ(m.GetConstTexturePtr(4)->pixels, nullptr);
	EXPECT_EQ(m.LoadTexturePixels(4, Modeler::LoadPixelsOnly), 40 * 20 * 4);
	EXPECT_EQ(m.GetConstTexturePtr(4)->status & (RTXTHasSummedArea | RTXTPixelsNotLoaded), 0);
	EXPECT_EQ(m.LoadTexturePixels(10, Modeler::LoadPixelsOnly), 0);
	EXPECT_THROW(m.LoadTexturePixels(Int16(std::size(cases) + 1), 0), Kit::IllegalArgumentException);
}

TEST(TextureLoading, SummedAreaTablesMatchBruteForceSums) {
	LibraryFolder library;
	std::mt19937 random(7);
	TestPicture noisy = MakeRampPicture(33, 17);
	for (UInt8& b : noisy.argb)
		b = UInt8(random());
	library.Write("noisy.png", EncodePng(noisy, PngKind::Argb));
	Attributes::Modifier m(Attributes::New());
	AddTexture(m, library, "noisy.png", RTXTOwnProportions, 33, 17);
	ASSERT_GT(m.LoadTexturePixels(1, Modeler::LoadPixelsAndSummedAreaTable), 0);
	const RTXT& t = *m.GetConstTexturePtr(1);
	ASSERT_EQ(BMGetHandleSize(t.pixels), 33 * 17 * 20);
	const UInt32* table = reinterpret_cast<const UInt32*>(*t.pixels + 33 * 17 * 4);
	for (int trial = 0; trial < 300; ++trial) {
		Int32 x0 = Int32(random() % 33), x1 = Int32(random() % 33), y0 = Int32(random() % 17),
		      y1 = Int32(random() % 17);
		if (x0 > x1) std::swap(x0, x1);
		if (y0 > y1) std::swap(y0, y1);
		for (int c = 0; c < 4; ++c) {
			UInt32 brute = 0;
			for (Int32 y = y0; y <= y1; ++y)
				for (Int32 x = x0; x <= x1; ++x)
					brute += noisy.At(x, y)[c];
			ASSERT_EQ(TableSum(table, 33, x0, y0, x1, y1, c), brute) << trial;
		}
	}
	EXPECT_THROW(IMCreateSummedAreaTableFromPixmap(t.pixels, 33, 17, nullptr), Kit::IllegalArgumentException);
	Int32 cells[4];
	EXPECT_THROW(IMCreateSummedAreaTableFromPixmap(t.pixels, 3300, 17, cells), Kit::IllegalArgumentException);
}

// Regression: the table of a large bright picture summed past 2^31 in signed
// arithmetic. The largest picture the raster library makes, all 255, must give the
// exact sums 255 x (x + 1) x (y + 1).
TEST(TextureLoading, SummedAreaTableOfTheLargestBrightPictureDoesNotOverflow) {
	const UInt32 side = 4096;
	ASSERT_EQ(Int64(side) * side, RxMaxPixelCount);
	GSHandle pixels = BMAllocateHandle(Int64(side) * side * 20);
	ASSERT_NE(pixels, nullptr);
	std::memset(*pixels, 0xFF, USize(side) * side * 4);
	IMCreateSummedAreaTableFromPixmap(pixels, side, side, reinterpret_cast<Int32*>(*pixels + Int64(side) * side * 4));
	const UInt32* table = reinterpret_cast<const UInt32*>(*pixels + Int64(side) * side * 4);
	for (UInt32 y : {0u, 1u, 2047u, 3000u, 4095u})
		for (UInt32 x : {0u, 17u, 4095u})
			for (int c = 0; c < 4; ++c)
				ASSERT_EQ(table[(USize(y) * side + x) * 4 + USize(c)], 255ull * (x + 1) * (y + 1)) << x << "," << y;
	EXPECT_EQ(TableSum(table, Int32(side), 100, 200, 4095, 4095, 2), 255u * 3996u * 3896u);
	BMKillHandle(&pixels);
}

TEST(TextureLoading, TexturesCompareByContentsOrByFile) {
	LibraryFolder library;
	library.Write("a.png", EncodePng(MakeRampPicture(4, 4), PngKind::Rgb));
	library.Write("b.png", EncodePng(MakeRampPicture(4, 4), PngKind::Rgb));
	char* refA = library.Ref("a.png");
	char* refA2 = library.Ref("a.png");
	char* refB = library.Ref("b.png");
	const RTXT base = MakeTexture("Brick", 4, 4);
	const TXTA inA{refA, 0, 0};
	const auto variant = [&](auto change) {
		RTXT t = base;
		change(t);
		return t;
	};
	GSHandle pixels1 = BMAllocateHandle(64, ALLOCATE_CLEAR);
	GSHandle pixels2 = BMAllocateHandle(64, ALLOCATE_CLEAR);
	GSHandle pixels3 = BMAllocateHandle(64, ALLOCATE_CLEAR);
	(*pixels3)[5] = 1;
	const auto resident = [&](GSHandle p) {
		return variant([p](RTXT& t) {
			t.status |= RTXTResidentPixels;
			t.pixels = p;
		});
	};
	struct Case {
		const char* name;
		RTXT t2;
		TXTA a2;
		bool equal;
	};
	const Case cases[] = {
	    {"same", base, TXTA{refA2, 0, 9}, true},
	    {"name case", variant([](RTXT& t) { t.textureName[0] = u'b'; }), TXTA{refA, 0, 0}, true},
	    {"high status bits", variant([](RTXT& t) { t.status |= 0xA000; }), TXTA{refA, 0, 0}, true},
	    {"low status bits", variant([](RTXT& t) { t.status |= 0x0002; }), TXTA{refA, 0, 0}, false},
	    {"other file", base, TXTA{refB, 0, 0}, false},
	    {"other picture", base, TXTA{refA, 1, 0}, false},
	    {"no file", base, TXTA{nullptr, 0, 0}, false},
	    {"size", variant([](RTXT& t) { t.xSize += 1e-6f; }), TXTA{refA, 0, 0}, false},
	    {"pixel size", variant([](RTXT& t) { t.pixelHeight = 5; }), TXTA{refA, 0, 0}, false},
	    {"name", variant([](RTXT& t) { t.textureName[1] = u'x'; }), TXTA{refA, 0, 0}, false},
	    {"resident", resident(pixels1), TXTA{refA, 0, 0}, false},
	};
	for (const Case& c : cases) {
		EXPECT_EQ(IsTexturesEqual(base, inA, c.t2, c.a2), c.equal) << c.name;
		EXPECT_EQ(IsTexturesEqual(c.t2, c.a2, base, inA), c.equal) << c.name;
	}
	// Resident textures compare their pixels, whatever their files.
	const TXTA none{nullptr, 0, 0};
	EXPECT_TRUE(IsTexturesEqual(resident(pixels1), inA, resident(pixels2), TXTA{refB, 3, 0}));
	EXPECT_FALSE(IsTexturesEqual(resident(pixels1), none, resident(pixels3), none));
	EXPECT_FALSE(IsTexturesEqual(resident(pixels1), none, resident(nullptr), none));
	EXPECT_TRUE(IsTexturesEqual(resident(nullptr), none, resident(nullptr), none));
	EXPECT_TRUE(IsTexturesEqual(base, none, base, none));
	BMKillHandle(&pixels1);
	BMKillHandle(&pixels2);
	BMKillHandle(&pixels3);
	PFFreeFileRef(&refA);
	PFFreeFileRef(&refA2);
	PFFreeFileRef(&refB);
}

TEST(TextureLoading, PictureHelpersThrowOrReportWhatTheyCannotRead) {
	LibraryFolder library;
	library.Write("Oak.jpg", EncodeJpeg(MakeRampPicture(30, 12), JpegKind::Progressive));
	library.Write("Broken.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
	char* ref = nullptr;
	char found = 0;
	EXPECT_EQ(IMGetPictFileDef(Kit::UniString("Oak"), IMTextureFileFlag, &ref, &found), 1);
	EXPECT_EQ(found, 1);
	Int16 width = -1;
	Int16 height = -1;
	IMGetPictSize(ref, -1, &width, &height);
	EXPECT_EQ(width, 30);
	EXPECT_EQ(height, 12);
	KitPixMap** picture = nullptr;
	IMLoadAKitPixMap(ref, -1, &picture, RxPixelARGB32);
	ASSERT_NE(picture, nullptr);
	EXPECT_EQ((*picture)->width, 30);
	RxDeleteKitPixMap(&picture);
	EXPECT_THROW(IMGetPictSize(ref, 2, &width, &height), Kit::InternalErrorException);
	EXPECT_EQ(width, 0);
	PFFreeFileRef(&ref);

	ASSERT_EQ(IMGetPictFileDef(Kit::UniString("Broken"), 0, &ref, nullptr), 0);
	EXPECT_THROW(IMGetPictSize(ref, 0, &width, &height), Kit::InternalErrorException);
	EXPECT_THROW(IMLoadAKitPixMap(ref, 0, &picture, RxPixelARGB32), Kit::InternalErrorException);
	EXPECT_EQ(picture, nullptr);
	PFFreeFileRef(&ref);
	EXPECT_EQ(IMGetPictFileDef(Kit::UniString("Pine"), IMTextureFileFlag, &ref, &found), 0);
	EXPECT_EQ(found, 0);
	EXPECT_THROW(IMGetPictFileDef(Kit::UniString("Pine"), IMTextureFileFlag, &ref, nullptr),
	             Kit::InternalErrorException);
}

} // namespace
