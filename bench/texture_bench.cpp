// Texture loading: a 2048 x 2048 PNG and JPEG decoded into a texture with its summed-area
// table (file read, decoding, pixel preparation and the table), and the raster
// library's stretching of a 4096 x 4096 picture to 512 x 512.
#include "fixtures/PictureFiles.h"

#include "Model3D/attributes/store/ModelerAttributes.h"
#include "platform/PFFileRef.h"
#include "platform/RxPixMap.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using Modeler::Attributes;

// A store with one texture of the picture file, which the fixture writes once.
struct TextureFixture {
	std::filesystem::path file;
	Kit::SharedPtr<Attributes> store = Attributes::New();

	explicit TextureFixture(bool png) {
		const TestSupport::TestPicture picture = TestSupport::MakeRampPicture(2048, 2048, 17);
		file = std::filesystem::temp_directory_path() /
		       ("m3d-texture-bench-" + std::to_string(::getpid()) + (png ? ".png" : ".jpg"));
		TestSupport::WriteFile(file, png ? TestSupport::EncodePng(picture, TestSupport::PngKind::Rgb)
		                                 : TestSupport::EncodeJpeg(picture, TestSupport::JpegKind::Baseline, 90));
		RTXT texture{};
		texture.status = RTXTOwnProportions | RTXTPixelsNotLoaded;
		texture.pixelDepth = 32;
		texture.xSize = texture.ySize = 1.0f;
		texture.pixelWidth = texture.pixelHeight = 2048;
		TXTA attributes{PFCreateFileRef(IO::Location(file)), 0, 0};
		Attributes::Modifier(store).AddTexture(texture, attributes);
		PFFreeFileRef(&attributes.fileRef);
	}
	~TextureFixture() {
		std::error_code ec;
		std::filesystem::remove(file, ec);
	}
};

void LoadTexture(benchmark::State& state, bool png) {
	TextureFixture fixture(png);
	const Attributes::Viewer viewer(fixture.store);
	Int64 bytes = 0;
	for (auto _ : state) {
		viewer.UnloadAllTexturesPixels();
		bytes = viewer.LoadTexturePixels(1, Modeler::LoadPixelsAndSummedAreaTable);
		benchmark::DoNotOptimize(bytes);
	}
	if (bytes != 2048LL * 2048 * 20) state.SkipWithError("the texture did not load with its table");
	state.SetItemsProcessed(state.iterations() * 2048 * 2048);
}

void BM_PngTextureWithSummedAreaTable(benchmark::State& state) {
	LoadTexture(state, true);
}
BENCHMARK(BM_PngTextureWithSummedAreaTable)->Unit(benchmark::kMillisecond);

void BM_JpegTextureWithSummedAreaTable(benchmark::State& state) {
	LoadTexture(state, false);
}
BENCHMARK(BM_JpegTextureWithSummedAreaTable)->Unit(benchmark::kMillisecond);

void BM_StretchShrink4096To512(benchmark::State& state) {
	KitPixMap** source = RxCreateKitPixMap(4096, 4096, 72, 72, RxPixelARGB32);
	KitPixMap** target = RxCreateKitPixMap(512, 512, 72, 72, RxPixelARGB32);
	for (Int64 i = 0; i < Int64(4096) * 4096 * 4; ++i)
		(*source)->baseAddr[i] = char(i * 31 / 7);
	const KitRect from{0, 0, 4096, 4096};
	const KitRect to{0, 0, 512, 512};
	for (auto _ : state) {
		if (RxStretchKitPixMap(source, &from, target, &to) != NoError) state.SkipWithError("stretch failed");
		benchmark::ClobberMemory();
	}
	state.SetItemsProcessed(state.iterations() * 4096 * 4096);
	RxDeleteKitPixMap(&source);
	RxDeleteKitPixMap(&target);
}
BENCHMARK(BM_StretchShrink4096To512)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
