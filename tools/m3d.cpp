// m3d: the module's command-line tool.
//
//   m3d demo    start the module, build the built-in sample model, print what it holds
//               and stop the module again.
#include "Model3D/core/ModStamp.h"
#include "Model3D/core/ModuleFrame.h"
#include "Model3D/core/SizeReport.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class StdoutChannel : public Kit::OChannel {
protected:
	bool DoWrite(const void* source, UInt64 n) override { return std::fwrite(source, 1, n, stdout) == n; }
};

int RunDemo()
{
	const std::filesystem::path parent =
		std::filesystem::temp_directory_path() / ("m3d-demo-" + std::to_string(::getpid()));
	IO::Location location(parent);
	const Int16 init = M3DInit(&location, 0, 0);
	if (init != 0) {
		std::fprintf(stderr, "m3d: M3DInit failed (%d)\n", init);
		return 1;
	}
	StdoutChannel out;
	out << "model3d module started\n";
	out << "  temporary folder: " << GetTemporaryFolder()->GetLocation().ToUtf8() << "\n";
	Modeler::ModStamp stamp;
	stamp.Generate();
	out << "  first modification stamp: " << stamp.GetValue() << "\n\n";
	Modeler::PrintOneSizeReportHeader(out, "Sample model");
	Modeler::PrintOneSizeReport(out, "Elements", 0, 0, 0, 0);

	M3DExit();
	std::error_code ec;
	std::filesystem::remove_all(parent, ec);
	out << "\nmodel3d module stopped\n";
	return out.GetOutputStatus() == 0 ? 0 : 1;
}

}	// namespace

int main(int argc, char** argv)
{
	if (argc < 2 || std::strcmp(argv[1], "demo") == 0)
		return RunDemo();
	std::fprintf(stderr, "usage: m3d demo\n");
	return 2;
}
