#include "platform/KitException.h"

#include "platform/KitUniString.h"

namespace Kit {

KitException::KitException(const char* message, const char* fileName, UInt32 lineNumber, const KitException* cause,
                           Int32 id)
    : message(message != nullptr ? message : ""), fileName(fileName != nullptr ? fileName : ""), lineNumber(lineNumber),
      id(id) {
	if (cause != nullptr && dynamic_cast<const NoCauseException*>(cause) == nullptr) this->cause.reset(cause->Clone());
}

KitException::KitException(const UniString& message, const char* fileName, UInt32 lineNumber, const KitException* cause,
                           Int32 id)
    : KitException(message.ToUtf8().c_str(), fileName, lineNumber, cause, id) {}

KitException::~KitException() = default;

const char* KitException::GetName() const {
	return "KitException";
}

KitException* KitException::Clone() const {
	return CloneException(*this);
}

std::string KitException::Describe() const {
	std::string text = GetName();
	if (!message.empty()) text += ": " + message;
	if (!fileName.empty()) text += " (" + fileName + ":" + std::to_string(lineNumber) + ")";
	if (cause) text += " caused by " + cause->Describe();
	return text;
}

KitException* NoCauseException::Clone() const {
	return CloneException(*this);
}

const NoCauseException& NoCause() {
	static const NoCauseException noCause;
	return noCause;
}

void ThrowOutOfMemoryForClone() {
	throw OutOfMemoryException();
}

} // namespace Kit
