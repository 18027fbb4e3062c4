#include "FailingAllocator.h"

#include "platform/KitException.h"

#include <cstdlib>
#include <new>

namespace {

// −1: unarmed. The tests run on one thread.
long allowance = -1;
long refused = 0;
long systemFailures = 0;

bool MayAllocate() {
	if (allowance < 0) return true;
	if (allowance == 0) {
		++refused;
		return false;
	}
	--allowance;
	return true;
}

void* Allocate(std::size_t size, std::size_t alignment) {
	if (!MayAllocate()) return nullptr;
	if (size == 0) size = 1;
	void* block = alignment <= alignof(std::max_align_t)
	                  ? std::malloc(size)
	                  : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
	if (block == nullptr) ++systemFailures;
	return block;
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
	void* block = Allocate(size, alignment);
	if (block == nullptr) throw std::bad_alloc();
	return block;
}

constexpr std::size_t Plain = alignof(std::max_align_t);

} // namespace

void* operator new(std::size_t size) {
	return AllocateOrThrow(size, Plain);
}
void* operator new[](std::size_t size) {
	return AllocateOrThrow(size, Plain);
}
void* operator new(std::size_t size, std::align_val_t a) {
	return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
	return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
	return Allocate(size, Plain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
	return Allocate(size, Plain);
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
	return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
	return Allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept {
	std::free(p);
}
void operator delete[](void* p) noexcept {
	std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
	std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
	std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
	std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
	std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
	std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
	std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
	std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
	std::free(p);
}

namespace FailingAllocator {

void Arm(long allowed) {
	refused = 0;
	allowance = allowed;
}

void Disarm() {
	allowance = -1;
}

long Refused() {
	return refused;
}

long SystemFailures() {
	return systemFailures;
}

long ForEveryFailurePoint(const FailureRun& run, const std::function<void(const std::string&)>& fault, long limit) {
	long failing = 0;
	for (long n = 0; n < limit; ++n) {
		run.prepare();
		const std::string at = "when allocation " + std::to_string(n) + " failed, ";
		std::string wrong;
		bool threw = true;
		Arm(n);
		try {
			run.operation();
			threw = false;
		} catch (const std::bad_alloc&) {
		} catch (const Kit::KitException& e) {
			wrong = "the operation threw " + e.Describe();
		} catch (...) {
			wrong = "the operation threw a foreign exception";
		}
		Disarm();
		if (wrong.empty() && threw && !run.unchanged()) wrong = "the operation threw and left its target changed";
		if (wrong.empty() && !threw && !run.succeeded()) wrong = "the operation returned a wrong result";
		if (!wrong.empty()) {
			fault(at + wrong);
			return -1;
		}
		if (threw) ++failing;
		if (!threw && Refused() == 0) return failing;
	}
	fault("no run succeeded within the limit");
	return -1;
}

} // namespace FailingAllocator
