#include "fixtures/PictureFiles.h"
#include "fixtures/TempDir.h"

#include "platform/BMMemory.h"
#include "platform/FTMFileType.h"
#include "platform/PFFileRef.h"
#include "platform/PFPictureFiles.h"
#include "platform/RxImage.h"
#include "platform/RxPixMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace TestSupport;

namespace {

// A memory handle holding the bytes, freed with the holder.
struct DataHandle {
	GSHandle h = nullptr;
	explicit DataHandle(const std::vector<UInt8>& bytes) : h(BMAllocateHandle(Int64(bytes.size()))) {
		if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
	}
	~DataHandle() { BMKillHandle(&h); }
};

struct PixMapHolder {
	KitPixMap** p = nullptr;
	~PixMapHolder() { RxDeleteKitPixMap(&p); }
};

KitPixMap** MakePixMap(const TestPicture& picture) {
	KitPixMap** p = RxCreateKitPixMap(picture.width, picture.height, 72, 72, RxPixelARGB32);
	for (Int32 y = 0; y < picture.height; ++y)
		std::memcpy((*p)->baseAddr + Int64(y) * (*p)->rowBytes, picture.At(0, y), USize(picture.width) * 4);
	return p;
}

const UInt8* PixelAt(KitPixMap** p, Int32 x, Int32 y) {
	return reinterpret_cast<const UInt8*>((*p)->baseAddr + Int64(y) * (*p)->rowBytes + Int64(x) * 4);
}

// The largest difference of any byte between the decoded picture and the expected one.
int LargestDifference(KitPixMap** decoded, const TestPicture& expected) {
	int largest = 0;
	for (Int32 y = 0; y < expected.height; ++y)
		for (Int32 x = 0; x < expected.width; ++x)
			for (int c = 0; c < 4; ++c)
				largest = std::max(largest, std::abs(int(PixelAt(decoded, x, y)[c]) - int(expected.At(x, y)[c])));
	return largest;
}

TEST(Raster, DecodedPicturesMatchWhatWasEncoded) {
	// Smooth ramps without a wrap, so that JPEG keeps every pixel close.
	const TestPicture source = MakeRampPicture(37, 23);
	const auto withAlpha = [&](bool keep, bool grey) {
		TestPicture p = source;
		for (Int32 y = 0; y < p.height; ++y)
			for (Int32 x = 0; x < p.width; ++x) {
				UInt8* px = p.At(x, y);
				if (!keep) px[0] = 0;
				if (grey) px[2] = px[3] = px[1];
			}
		return p;
	};
	struct Case {
		const char* name;
		std::vector<UInt8> file;
		TestPicture expected;
		int tolerance;
	};
	const Case cases[] = {
	    {"png rgb", EncodePng(source, PngKind::Rgb), withAlpha(false, false), 0},
	    {"png argb", EncodePng(source, PngKind::Argb), withAlpha(true, false), 0},
	    {"png grey", EncodePng(source, PngKind::Grey), withAlpha(false, true), 0},
	    {"jpeg baseline", EncodeJpeg(source, JpegKind::Baseline, 100), withAlpha(false, false), 6},
	    {"jpeg progressive", EncodeJpeg(source, JpegKind::Progressive, 100), withAlpha(false, false), 6},
	    {"jpeg grey", EncodeJpeg(source, JpegKind::Grey, 100), withAlpha(false, true), 6},
	};
	for (const Case& c : cases) {
		DataHandle data(c.file);
		Int32 width = 0;
		Int32 height = 0;
		EXPECT_EQ(Rx::ImageBase::GetInfo(data.h, 0, &width, &height), NoError) << c.name;
		EXPECT_EQ(width, 37) << c.name;
		EXPECT_EQ(height, 23) << c.name;
		PixMapHolder picture;
		ASSERT_EQ(Rx::ImageBase::ConvertToPixMap(data.h, &picture.p, 0, RxPixelARGB32), NoError) << c.name;
		ASSERT_NE(picture.p, nullptr) << c.name;
		EXPECT_EQ((*picture.p)->hRes, 72.0) << c.name;
		// Alpha is exact in every format: kept when the file has it, 0 otherwise.
		EXPECT_LE(LargestDifference(picture.p, c.expected), c.tolerance) << c.name;
		for (Int32 y = 0; y < 23; ++y)
			for (Int32 x = 0; x < 37; ++x)
				ASSERT_EQ(PixelAt(picture.p, x, y)[0], c.expected.At(x, y)[0]) << c.name;
	}
}

TEST(Raster, BrokenAndForgedPicturesAreRefusedWithoutAPicture) {
	const TestPicture source = MakeRampPicture(40, 30);
	const std::vector<UInt8> png = EncodePng(source, PngKind::Argb);
	const std::vector<UInt8> jpeg = EncodeJpeg(source, JpegKind::Baseline);
	const std::vector<UInt8> progressive = EncodeJpeg(source, JpegKind::Progressive);

	struct Case {
		std::string name;
		std::vector<UInt8> file;
		GSErrCode expected;
	};
	std::vector<Case> cases = {
	    {"empty", {}, RxUnsupportedErr},
	    {"not a picture", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, RxUnsupportedErr},
	    {"png one pixel too many", ForgePngSize(png, 4097, 4096), RxTooLargeErr},
	    {"png side too long", ForgePngSize(png, 40000, 1), RxTooLargeErr},
	    {"png enormous", ForgePngSize(png, 0x7FFFFFFF, 0x7FFFFFFF), RxBadDataErr},
	    {"png zero width", ForgePngSize(png, 0, 30), RxBadDataErr},
	    {"png largest size, data of a small one", ForgePngSize(png, 4096, 4096), RxBadDataErr},
	    {"jpeg one pixel too many", ForgeJpegSize(jpeg, 4097, 4096), RxTooLargeErr},
	    {"jpeg largest size, data of a small one", ForgeJpegSize(jpeg, 4096, 4096), RxBadDataErr},
	    {"jpeg zero height", ForgeJpegSize(jpeg, 40, 0), RxBadDataErr},
	};
	// A flipped byte inside the picture data: the PNG checksum or the JPEG entropy
	// decoding notices it.
	std::vector<UInt8> flipped = png;
	flipped[flipped.size() - 20] ^= 0x5A;
	cases.push_back({"png flipped byte", flipped, RxBadDataErr});
	// Prefixes of each file that cut into its picture data (a PNG file that lacks only
	// its 12-byte end chunk still holds every pixel, and is read).
	for (const auto& [name, file, end] :
	     {std::tuple{"png", &png, 12}, {"jpeg", &jpeg, 0}, {"progressive", &progressive, 0}}) {
		const USize step = std::max<USize>(file->size() / 60, 1);
		for (USize n = 1; n < file->size() - USize(end); n += step)
			cases.push_back({std::string(name) + " prefix " + std::to_string(n),
			                 std::vector<UInt8>(file->begin(), file->begin() + long(n)), GSErrCode(1)});
	}
	for (const Case& c : cases) {
		DataHandle data(c.file);
		PixMapHolder picture;
		const GSErrCode status = Rx::ImageBase::ConvertToPixMap(data.h, &picture.p, 0, RxPixelARGB32);
		if (c.expected == 1) // a truncated file: any refusal will do
			EXPECT_NE(status, NoError) << c.name;
		else
			EXPECT_EQ(status, c.expected) << c.name;
		EXPECT_EQ(picture.p, nullptr) << c.name;
	}

	// A forged size is told from the header alone; the largest allowed one is reported.
	DataHandle largest(ForgePngSize(png, 4096, 4096));
	Int32 width = 0;
	Int32 height = 0;
	EXPECT_EQ(Rx::ImageBase::GetInfo(largest.h, FTM::PNGFileType, &width, &height), NoError);
	EXPECT_EQ(width * height, RxMaxPixelCount);
	// A declared type of a format that is not a picture is refused.
	DataHandle real(png);
	PixMapHolder picture;
	EXPECT_EQ(Rx::ImageBase::ConvertToPixMap(real.h, &picture.p, 77, RxPixelARGB32), RxUnsupportedErr);
	EXPECT_EQ(Rx::ImageBase::ConvertToPixMap(real.h, &picture.p, FTM::JPEGFileType, RxPixelARGB32), NoError);
}

// The average of the source pixels of a block, rounded half up: the oracle of shrinking
// by a whole factor.
UInt8 BlockAverage(const TestPicture& p, Int32 x0, Int32 y0, Int32 k, int c) {
	int sum = 0;
	for (Int32 y = y0; y < y0 + k; ++y)
		for (Int32 x = x0; x < x0 + k; ++x)
			sum += p.At(x, y)[c];
	return UInt8((2 * sum + k * k) / (2 * k * k));
}

TEST(Raster, StretchAveragesWhenShrinkingAndInterpolatesWhenEnlarging) {
	// Shrinking by whole factors: every destination pixel is its block's average.
	const TestPicture noisy = [] {
		TestPicture p = MakeRampPicture(48, 36, 3);
		for (USize i = 0; i < p.argb.size(); ++i)
			p.argb[i] = UInt8((p.argb[i] * 7 + i * 13) & 0xFF);
		return p;
	}();
	for (Int32 k : {2, 3, 4, 12}) {
		PixMapHolder source{MakePixMap(noisy)};
		PixMapHolder target{RxCreateKitPixMap(48 / k, 36 / k, 72, 72, RxPixelARGB32)};
		const KitRect from{0, 0, 36, 48};
		const KitRect to{0, 0, Int16(36 / k), Int16(48 / k)};
		ASSERT_EQ(RxStretchKitPixMap(source.p, &from, target.p, &to), NoError);
		for (Int32 y = 0; y < 36 / k; ++y)
			for (Int32 x = 0; x < 48 / k; ++x)
				for (int c = 0; c < 4; ++c)
					ASSERT_NEAR(PixelAt(target.p, x, y)[c], BlockAverage(noisy, x * k, y * k, k, c), 1)
					    << "factor " << k << " at " << x << "," << y;
	}

	// Enlarging a linear ramp keeps it linear between the outer pixel centres: no
	// pixel is simply repeated.
	TestPicture ramp = MakeUniformPicture(9, 2, 0, 0, 0, 0);
	for (Int32 x = 0; x < 9; ++x)
		ramp.At(x, 0)[1] = ramp.At(x, 1)[1] = UInt8(x * 30);
	for (Int32 factor : {2, 3, 5}) {
		PixMapHolder source{MakePixMap(ramp)};
		const Int32 w = 9 * factor;
		PixMapHolder target{RxCreateKitPixMap(w, 2 * factor, 72, 72, RxPixelARGB32)};
		const KitRect from{0, 0, 2, 9};
		const KitRect to{0, 0, Int16(2 * factor), Int16(w)};
		ASSERT_EQ(RxStretchKitPixMap(source.p, &from, target.p, &to), NoError);
		for (Int32 j = 0; j < w; ++j) {
			const double x = std::clamp((j + 0.5) / factor - 0.5, 0.0, 8.0);
			for (Int32 row = 0; row < 2 * factor; ++row)
				ASSERT_NEAR(PixelAt(target.p, j, row)[1], x * 30.0, 0.51) << "factor " << factor << " at " << j;
		}
	}

	// A shrink by an uneven factor keeps the picture's mean.
	PixMapHolder source{MakePixMap(noisy)};
	PixMapHolder target{RxCreateKitPixMap(17, 13, 72, 72, RxPixelARGB32)};
	const KitRect from{0, 0, 36, 48};
	const KitRect to{0, 0, 13, 17};
	ASSERT_EQ(RxStretchKitPixMap(source.p, &from, target.p, &to), NoError);
	for (int c = 0; c < 4; ++c) {
		double sourceSum = 0.0;
		double targetSum = 0.0;
		for (Int32 y = 0; y < 36; ++y)
			for (Int32 x = 0; x < 48; ++x)
				sourceSum += noisy.At(x, y)[c];
		for (Int32 y = 0; y < 13; ++y)
			for (Int32 x = 0; x < 17; ++x)
				targetSum += PixelAt(target.p, x, y)[c];
		EXPECT_NEAR(targetSum / (13 * 17), sourceSum / (48 * 36), 0.5) << "channel " << c;
	}
}

TEST(Raster, StretchLeavesWhatLiesOutsideEitherPicture) {
	const TestPicture source = MakeRampPicture(10, 6);
	PixMapHolder from{MakePixMap(source)};
	PixMapHolder to{RxCreateKitPixMap(10, 10, 72, 72, RxPixelARGB32)};
	ASSERT_EQ(RxFillKitPixMap(to.p, RxPixel{255, 255, 255, 255}), NoError);
	// The source rectangle reaches two rows above and below the picture: those rows of
	// the destination stay white, the others are a copy.
	const KitRect sourceRect{-2, 0, 8, 10};
	const KitRect destinationRect{0, 0, 10, 10};
	ASSERT_EQ(RxStretchKitPixMap(from.p, &sourceRect, to.p, &destinationRect), NoError);
	for (Int32 y = 0; y < 10; ++y)
		for (Int32 x = 0; x < 10; ++x)
			for (int c = 0; c < 4; ++c) {
				const UInt8 expected = (y < 2 || y >= 8) ? 255 : source.At(x, y - 2)[c];
				ASSERT_EQ(PixelAt(to.p, x, y)[c], expected) << x << "," << y;
			}
	// A destination rectangle beyond the destination draws only its inside part, and
	// bad arguments are refused.
	const KitRect beyond{5, 5, 15, 15};
	EXPECT_EQ(RxStretchKitPixMap(from.p, &sourceRect, to.p, &beyond), NoError);
	EXPECT_EQ(RxStretchKitPixMap(from.p, &sourceRect, from.p, &beyond), RxBadPixMapErr);
	EXPECT_EQ(RxStretchKitPixMap(from.p, nullptr, to.p, &beyond), RxBadPixMapErr);
	EXPECT_EQ(RxCreateKitPixMap(4097, 4096, 72, 72, RxPixelARGB32), nullptr);
	EXPECT_EQ(RxCreateKitPixMap(0, 5, 72, 72, RxPixelARGB32), nullptr);
	EXPECT_EQ(RxCreateKitPixMap(5, 5, 72, 72, 3), nullptr);
}

TEST(Raster, MimeTypesNameTheirFileTypes) {
	const std::pair<const char*, FTM::TypeID> cases[] = {
	    {"image/png", FTM::PNGFileType},  {"IMAGE/PNG", FTM::PNGFileType},    {" image/jpeg ; q=1", FTM::JPEGFileType},
	    {"image/jpg", FTM::JPEGFileType}, {"image/pjpeg", FTM::JPEGFileType}, {"image/gif", FTM::UnknownType},
	    {"", FTM::UnknownType},           {"image/pngx", FTM::UnknownType},   {nullptr, FTM::UnknownType},
	};
	for (const auto& [mime, type] : cases)
		EXPECT_EQ(FTM::FileTypeManager::SearchForMime(mime), type) << (mime ? mime : "null");
}

struct LibraryFolderScope {
	TempDir dir;
	LibraryFolderScope() { PFSetLibraryFolder(IO::Location(dir.Path())); }
	~LibraryFolderScope() { PFSetLibraryFolder(IO::Location()); }
};

TEST(Raster, PictureNamesResolveInTheLibraryFolderOnly) {
	LibraryFolderScope library;
	const std::vector<UInt8> png = EncodePng(MakeRampPicture(4, 4), PngKind::Rgb);
	WriteFile(library.dir.Path() / "Brick.png", png);
	WriteFile(library.dir.Path() / "Oak.jpeg", EncodeJpeg(MakeRampPicture(4, 4), JpegKind::Baseline));
	WriteFile(library.dir.Path() / "Misnamed.jpg", png);
	WriteFile(library.dir.Path() / "Door.gsm", png);
	WriteFile(library.dir.Path() / "Empty.png", {});
	std::filesystem::create_directory(library.dir.Path() / "Folder.png");

	struct Case {
		const char* name;
		bool macro;
		const char* file; // null: not found
		const char* mime;
	};
	const Case cases[] = {
	    {"Brick", false, "Brick.png", "image/png"}, {"Brick.png", false, "Brick.png", "image/png"},
	    {"Oak", false, "Oak.jpeg", "image/jpeg"},   {"Misnamed", false, "Misnamed.jpg", "image/png"},
	    {"Door", true, "Door.gsm", "image/png"},    {"Brick", true, "Brick.png", "image/png"},
	    {"Door", false, nullptr, nullptr},          {"../Brick", false, nullptr, nullptr},
	    {"Folder", false, nullptr, nullptr},        {"", false, nullptr, nullptr},
	    {"Missing", true, nullptr, nullptr},
	};
	for (const Case& c : cases) {
		char* ref = reinterpret_cast<char*>(1);
		const GSErrCode status =
		    c.macro ? PFMacro2File(Kit::UniString(c.name), &ref) : PFTexture2File(Kit::UniString(c.name), &ref);
		if (c.file == nullptr) {
			EXPECT_EQ(status, PFFileNotFoundErr) << c.name;
			EXPECT_EQ(ref, nullptr) << c.name;
			continue;
		}
		ASSERT_EQ(status, NoError) << c.name;
		IO::Name name;
		ASSERT_EQ(PFGetFileName(ref, &name), NoError);
		EXPECT_EQ(name.ToUtf8(), c.file) << c.name;
		GSHandle data = nullptr;
		char mime[PFMimeTypeSize];
		ASSERT_EQ(PFGetImageDataFromFile(ref, -1, &data, mime), NoError) << c.name;
		EXPECT_STREQ(mime, c.mime) << c.name;
		EXPECT_GT(BMGetHandleSize(data), 0) << c.name;
		BMKillHandle(&data);
		EXPECT_EQ(PFGetImageDataFromFile(ref, 1, &data, mime), PFNoPictureErr) << c.name;
		EXPECT_EQ(data, nullptr);
		PFFreeFileRef(&ref);
	}

	// An empty file has no picture; without a library folder nothing is found.
	char* empty = PFCreateFileRef(IO::Location(library.dir.Path() / "Empty.png"));
	GSHandle data = nullptr;
	char mime[PFMimeTypeSize];
	EXPECT_EQ(PFGetImageDataFromFile(empty, 0, &data, mime), PFNoPictureErr);
	EXPECT_EQ(PFGetImageDataFromFile(nullptr, 0, &data, mime), PFNoFileRefErr);
	PFFreeFileRef(&empty);
	PFSetLibraryFolder(IO::Location());
	char* ref = nullptr;
	EXPECT_EQ(PFTexture2File(Kit::UniString("Brick"), &ref), PFFileNotFoundErr);
}

} // namespace
