// The root library's exception family. Every exception carries a message, the source
// file and line that raised it, an optional cause and a numeric id in the virtual base
// Kit::KitException, and is thrown by value.
#pragma once

// The host libraries export what they declare; so does their stand-in.
#pragma GCC visibility push(default)

#include "platform/KitTypes.h"

#include <memory>
#include <new>
#include <string>

namespace Kit {

class UniString;

// Numeric ids of the root exception classes.
enum : Int32 {
	ErrNoCause = 0,
	ErrRoot = -1,
	ErrLogicError = -2,
	ErrIllegalArgument = -3,
	ErrRunTimeError = -4,
	ErrSynchronization = -5,
	ErrInternalError = -50,
	ErrOutOfMemory = -108,
};

class KitException {
public:
	KitException(const char* message = nullptr, const char* fileName = nullptr, UInt32 lineNumber = 0,
	             const KitException* cause = nullptr, Int32 id = ErrRoot);
	KitException(const UniString& message, const char* fileName, UInt32 lineNumber, const KitException* cause,
	             Int32 id);
	KitException(const KitException&) = default;
	KitException& operator=(const KitException&) = default;
	virtual ~KitException();

	virtual const char* GetName() const;
	virtual KitException* Clone() const;

	const char* GetMessage() const { return message.c_str(); }
	bool HasMessage() const { return !message.empty(); }
	const char* GetFileName() const { return fileName.c_str(); }
	UInt32 GetLineNumber() const { return lineNumber; }
	Int32 GetId() const { return id; }
	// The exception that caused this one, or null.
	const KitException* GetCause() const { return cause.get(); }

	// "Name: message (file:line)", for debug output.
	std::string Describe() const;

private:
	std::string message;
	std::string fileName;
	UInt32 lineNumber = 0;
	Int32 id = ErrRoot;
	std::shared_ptr<const KitException> cause;
};

// The "no cause" marker; passing it as a cause stores no cause.
class NoCauseException : public virtual KitException {
public:
	NoCauseException() : KitException(nullptr, nullptr, 0, nullptr, ErrNoCause) {}
	const char* GetName() const override { return "NoCauseException"; }
	KitException* Clone() const override;
};

const NoCauseException& NoCause();

// Declares the constructors, copy operations, name and clone of the exception class C
// with the default id; the constructor arguments follow the root library's (message,
// file, line, cause). C names a type, so it cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define KIT_EXCEPTION_CONSTRUCTORS(C, defaultId)                                                                       \
	C(const char* message = nullptr, const char* fileName = nullptr, UInt32 lineNumber = 0,                            \
	  const Kit::KitException& cause = Kit::NoCause())                                                                 \
	    : Kit::KitException(message, fileName, lineNumber, &cause, defaultId) {}                                       \
	C(const Kit::UniString& message, const char* fileName = nullptr, UInt32 lineNumber = 0,                            \
	  const Kit::KitException& cause = Kit::NoCause())                                                                 \
	    : Kit::KitException(message, fileName, lineNumber, &cause, defaultId) {}                                       \
	C(const C&) = default;                                                                                             \
	C& operator=(const C&) = default;                                                                                  \
	~C() override = default;                                                                                           \
	const char* GetName() const override {                                                                             \
		return #C;                                                                                                     \
	}                                                                                                                  \
	Kit::KitException* Clone() const override {                                                                        \
		return Kit::CloneException(*this);                                                                             \
	}
// NOLINTEND(bugprone-macro-parentheses)

// Makes a heap copy of an exception; a failing allocation throws OutOfMemoryException.
template <typename E> KitException* CloneException(const E& e);

class RootException : public virtual KitException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(RootException, ErrRoot)
};

class OutOfMemoryException : public virtual RootException, public std::bad_alloc {
public:
	KIT_EXCEPTION_CONSTRUCTORS(OutOfMemoryException, ErrOutOfMemory)
	const char* what() const noexcept override { return HasMessage() ? GetMessage() : "OutOfMemoryException"; }
};

class LogicErrorException : public virtual RootException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(LogicErrorException, ErrLogicError)
};

class IllegalArgumentException : public LogicErrorException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(IllegalArgumentException, ErrIllegalArgument)
};

class RunTimeErrorException : public virtual RootException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(RunTimeErrorException, ErrRunTimeError)
};

class InternalErrorException : public virtual RootException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(InternalErrorException, ErrInternalError)
};

class SynchronizationException : public RunTimeErrorException {
public:
	KIT_EXCEPTION_CONSTRUCTORS(SynchronizationException, ErrSynchronization)
};

void ThrowOutOfMemoryForClone();

template <typename E> KitException* CloneException(const E& e) {
	E* copy = new (std::nothrow) E(e);
	if (copy == nullptr) ThrowOutOfMemoryForClone();
	return copy;
}

} // namespace Kit

#pragma GCC visibility pop
