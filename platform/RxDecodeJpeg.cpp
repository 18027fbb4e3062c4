// JPEG through libjpeg. libjpeg reports errors by calling its error manager, whose
// default ends the process; this one jumps back to the decoding function instead
// (setjmp/longjmp), so the functions that call setjmp hold no C++ objects that a jump
// would skip. Warnings about corrupt data count as errors, and a progressive picture
// with an absurd number of scans is stopped, so that broken files neither decode to
// garbage nor keep the decoder busy.
#include "platform/detail/RxDecoders.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>

namespace Rx::Detail {

namespace {

// More scans than any encoder writes for a real picture.
constexpr int MaxScans = 1000;

struct ErrorManager {
	jpeg_error_mgr base;
	std::jmp_buf jump;
};

[[noreturn]] void JumpOut(j_common_ptr info) {
	std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
	if (level < 0) JumpOut(info); // a warning: the data is corrupt or truncated
}

void OnOutput(j_common_ptr) {}

void OnProgress(j_common_ptr info) {
	if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxScans) JumpOut(info);
}

// Sets up the decompressor on the data; the caller has called setjmp on error.jump.
void Start(jpeg_decompress_struct& info, ErrorManager& error, jpeg_progress_mgr& progress, const UInt8* data,
           USize size) {
	info.err = jpeg_std_error(&error.base);
	error.base.error_exit = JumpOut;
	error.base.emit_message = OnMessage;
	error.base.output_message = OnOutput;
	jpeg_create_decompress(&info);
	progress.progress_monitor = OnProgress;
	info.progress = &progress;
	jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
}

} // namespace

bool IsJpeg(const UInt8* data, USize size) {
	return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

GSErrCode ReadJpegSize(const UInt8* data, USize size, Int32* width, Int32* height) {
	jpeg_decompress_struct info;
	ErrorManager error;
	jpeg_progress_mgr progress;
	std::memset(&info, 0, sizeof info);
	if (setjmp(error.jump) != 0) {
		jpeg_destroy_decompress(&info);
		return RxBadDataErr;
	}
	Start(info, error, progress, data, size);
	jpeg_read_header(&info, TRUE);
	*width = Int32(info.image_width);
	*height = Int32(info.image_height);
	jpeg_destroy_decompress(&info);
	return NoError;
}

GSErrCode DecodeJpeg(const UInt8* data, USize size, KitPixMap*** picture) {
	*picture = nullptr;
	jpeg_decompress_struct info;
	ErrorManager error;
	jpeg_progress_mgr progress;
	std::memset(&info, 0, sizeof info);
	// Set before setjmp and changed after it only through this volatile pointer, so its
	// value is defined after a jump.
	KitPixMap** volatile result = nullptr;
	if (setjmp(error.jump) != 0) {
		KitPixMap** partial = result;
		RxDeleteKitPixMap(&partial);
		jpeg_destroy_decompress(&info);
		return RxBadDataErr;
	}
	Start(info, error, progress, data, size);
	jpeg_read_header(&info, TRUE);
	if (!IsAllowedSize(info.image_width, info.image_height)) {
		jpeg_destroy_decompress(&info);
		return RxTooLargeErr;
	}
	// libjpeg turns grey and YCbCr pictures into RGB; CMYK ones it cannot, and refuses.
	info.out_color_space = JCS_RGB;
	jpeg_start_decompress(&info);
	if (info.output_components != 3 || Int64(info.output_width) != Int64(info.image_width) ||
	    Int64(info.output_height) != Int64(info.image_height)) {
		jpeg_destroy_decompress(&info);
		return RxUnsupportedErr;
	}
	result = RxCreateKitPixMap(Int32(info.output_width), Int32(info.output_height), 72.0, 72.0, RxPixelARGB32);
	if (result == nullptr) {
		jpeg_destroy_decompress(&info);
		return RxNoMemoryErr;
	}
	// The row buffer belongs to libjpeg's memory pool, which jpeg_destroy frees.
	JSAMPARRAY row =
	    (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 3, 1);
	KitPixMap& p = **result;
	while (info.output_scanline < info.output_height) {
		const Int64 y = info.output_scanline;
		if (jpeg_read_scanlines(&info, row, 1) != 1) JumpOut(reinterpret_cast<j_common_ptr>(&info));
		UInt8* out = reinterpret_cast<UInt8*>(p.baseAddr + y * p.rowBytes);
		const UInt8* in = row[0];
		for (Int32 x = 0; x < p.width; ++x) {
			out[0] = 0; // no alpha channel
			out[1] = in[0];
			out[2] = in[1];
			out[3] = in[2];
			out += 4;
			in += 3;
		}
	}
	jpeg_finish_decompress(&info);
	jpeg_destroy_decompress(&info);
	*picture = result;
	return NoError;
}

} // namespace Rx::Detail
