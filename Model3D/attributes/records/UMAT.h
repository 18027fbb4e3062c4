// UMAT: a material of the 3D model. Surface colour and lighting coefficients, an
// optional texture with its rotation, the host material (or pen) it was made from, and
// the material's parameter list.
//
// The model-file form is a 96-byte fixed part followed by the parameter list's stream
// (version 4032); older versions carry a parameter-block flag and, from 4024 on, the
// host's old parameter block instead of the stream.
#pragma once

#include "Model3D/core/frame/ModuleExport.h"

#include "Model3D/proplist/PropertyList.h"
#include "platform/ByteOrder.h"
#include "platform/KitChannel.h"
#include "platform/KitTypes.h"

// Result of Read and Write when a root-library exception was raised inside.
constexpr Int32 UMATReadWriteFailed = -7003;

// Byte length of the fixed part of the model-file form.
constexpr Int32 UMATFixedFileSize = 96;

// Model-file versions that change the material's form.
constexpr Int32 UMATLastFlagVersion = 4031;     // up to here: a parameter-block flag, no list stream
constexpr Int32 UMATLastNoParamsVersion = 4023; // up to here: no parameters at all

// The name a new material gets.
constexpr const char* UMATDefaultName = "Unused";

class M3D_EXPORT UMAT {
public:
	char name[32];          // zero-terminated within the 32 bytes
	Int16 materialType = 0; // base type 0–9; +10: with fill index; +20: with fill, fill colour, texture
	Kit::RGBColor surfaceColor;
	Int16 ambientPc = 0; // percentages and coefficients of the lighting model
	Int16 diffusePc = 0;
	Int16 specularPc = 0;
	Int16 transparencyPc = 0;
	Int16 shininess = 0; // hundredths
	Int16 transparencyAtt = 0;
	Kit::RGBColor specularColor;
	Kit::RGBColor emissionColor;
	Int16 emissionAtt = 0;
	Int16 hostMaterialIdx = 0; // host material index; minus the pen index for a pen's material
	Int16 fillRef = 0;         // > 0: host value; < 0: minus a fill index of the attribute store
	Int16 hostWord2 = 0;       // copied from the host material
	Int32 textureIdx = 0;      // texture of the attribute store, 0 = none
	float textureCos = 0.0f;   // rotation of the texture
	float textureSin = 0.0f;
	Modeler::PropertyList params; // the material's parameters
	Int32 paramChecksum = 0;      // checksum of the host parameter block they came from
	Int32 reserved1 = 0;          // 0 when made here; copied, written and read
	Int32 reserved2 = 0;

	UMAT();
	UMAT(const UMAT& source);
	UMAT& operator=(const UMAT& source);
	~UMAT();

	void SetTexuretIdx(int index) { textureIdx = index; }
	int GetTexuretIdx() const { return textureIdx; }

	// Sets the name, cut to 31 characters; the rest of the 32 bytes is zeroed.
	void SetName(const char* text);

	// Writes the model-file form of version 4032: the 96-byte fixed part, then the
	// parameter list's stream. Typed values follow the channel's byte-order protocol
	// (the model file is written with the running platform's). Returns 0, the channel's
	// output status after the fixed part, or UMATReadWriteFailed when writing the list
	// fails. Never throws.
	int Write(Kit::OChannel& channel) const;

	// Reads a material of the given model-file version; the caller has set the channel's
	// byte-order protocol for the file's platform. Returns 0, the channel's input status,
	// a memory, Parx conversion or checksum code of an old parameter block,
	// UMATReadWriteFailed for a block longer than the remaining input or a failure
	// inside. The list is cleared first and left empty on failure; the other fields are
	// then left as they were. Never throws.
	int Read(Kit::IChannel& channel, int version);

	// Field-by-field equality of the fixed fields, and the lists by their own equality.
	bool operator==(const UMAT& other) const;
	bool operator!=(const UMAT& other) const { return !(*this == other); }

	// Sets every fixed field to its default; the list is left alone.
	void ResetFixedFields();

private:
	int ReadFields(Kit::IChannel& channel, int version);
};
