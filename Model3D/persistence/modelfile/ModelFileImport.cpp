// The model-file reader: the file's fills and materials brought into the store.
#include "Model3D/persistence/modelfile/detail/ModelFileReading.h"
#include "platform/KitException.h"
#include "platform/KitLogger.h"

namespace Modeler::ModelFile {

Int32 FileReader::AddFill(const UFIL& head, const char* definition) {
	try {
		return attrs.AddFill(head, definition);
	} catch (const Kit::OutOfMemoryException&) {
		throw;
	} catch (const Kit::KitException& e) {
		Kit::dbChannel << "FLReadModel: " << e.Describe() << "\n";
		return 1;
	}
}

// Merging the file's attributes with the store's needs the import functions, which are
// not built yet; until then such a read is refused before anything is added.
void FileReader::ReadAdjustedAttributes() {
	throw Kit::InternalErrorException("FLReadModel: merging the file's attributes is not available yet", __FILE__,
	                                  __LINE__);
}

Int16 FileReader::InsertMaterial(UMAT&) {
	throw Kit::InternalErrorException("FLReadModel: inserting old materials is not available yet", __FILE__, __LINE__);
}

} // namespace Modeler::ModelFile
