#!/usr/bin/env bash
# What the shared library exports: the plain functions under their undecorated names, the
# public classes, and nothing of the module's internals; and no absolute source path.
#
#   exports-test.sh LIBRARY SOURCE_DIR
set -uo pipefail
library="$1"
source_dir="$2"
failures=0
fail() {
	echo "FAIL $*"
	failures=$((failures + 1))
}

plain="$(nm -D --defined-only "$library" | awk '$2 ~ /^[TW]$/ { print $3 }')"
demangled="$(nm -DC --defined-only "$library" | awk '$2 ~ /^[TWVR]$/ { $1 = ""; $2 = ""; print }')"

# Plain, undecorated names that the host looks up.
while read -r name; do
	[ -z "$name" ] && continue
	grep -qx -- "$name" <<<"$plain" || fail "plain function $name is not exported"
done <<'NAMES'
GetTemporaryFolder
FCAdjustFill455
FCAdjustFill510
FCBody51FromBody41
FCBodyFromBext51
FCBodyFromBody51
FCBodyFromBody60
FCBodyFromBody601
FCBodyFromBody90
FCEdgeFromEdge51
FCLghtFromLght455
FCLghtFromLght700
FCPgonFromPgon110
FCPgonFromPgon41
FCPgonFromPgon51
FCRTXT130FromRTXT900
FCRTXT900FromRTXT700
FCRTXTFromRTXT130
FCSwapBinaryPart
FCSwapBinaryPart_R
FCSwapFillDef
FCSwapFillDef455
FCSwapFillDef510
FCSwap_BINARYPart
FCUmatFromUmat41
FCUmatFromUmat455
IV_BEXT_51
IV_BODY
IV_BODY_51
IV_BODY_60
IV_BODY_90
IV_EDGE
IV_EDGE_51
IV_FIDE
IV_LGHT
IV_LGHT_10
IV_LGHT_455
IV_LGHT_700
IV_MSIZ
IV_MSIZ_41
IV_MSIZ_51
IV_PEDG
IV_PGON
IV_PGON_110
IV_PGON_41
IV_PGON_51
IV_PICT
IV_RTXT
IV_RTXT_130
IV_RTXT_700
IV_RTXT_900
IV_TEVE
IV_TRAN
IV_UFIL
IV_UMAT
IV_UMAT_41
IV_UMAT_455
IV_VECT
IV_VERT
SwapLP_CalledMacroSection
IADab2Mater
IARGBfloat2Pen
IASetEnv
IAaddMaterAttr
IAgetMaterAttr
IAindexMaterAttr
IAnameMaterAttr
IAnumMaterAttr
IMAddRtxt2Umat
IMAddUfil
IMAdjustUfilsInBinary
IMAdjustUmatsInBinary
IMCreateSummedAreaTableFromPixmap
IMErrorMater
IMFindUMat
IMGetPictFileDef
IMGetPictSize
IMInsertUfil
IMInsertUmat
IMInsertintoUfil
IMInsertintoUmat
IMLoadAKitPixMap
IMMater2Umat
IMPenToUMAT
IMSearchSimilar
IMSetupMater
IMStorePenAsUmat
IMStoreinUfil
IMStoreinUmat
IMTextureInMater
IMUmatNoName
IMgl2loc
IMstRtxt
IMstTexture
IsTexturesEqual
PixMap2TexturePixels
StretchTextureBounds
NAMES

# Name buffers that the host fills, as plain data symbols.
data="$(nm -D --defined-only "$library" | awk '$2 ~ /^[BDG]$/ { print $3 }')"
for name in gParxMatFormat gPenMatFormat gErrorMatName gMasterEndParxName gMasterParxName gAtlStyleFormat \
	gImportMatFormat gParxMatDefFormat gShadowMatName gErrorFillFormat gParxFillFormat gFloatMatFormat; do
	grep -qx -- "$name" <<<"$data" || fail "name buffer $name is not exported"
done

# Public C++ interface (demangled prefixes).
while read -r name; do
	[ -z "$name" ] && continue
	grep -qF -- "$name" <<<"$demangled" || fail "$name is not exported"
done <<'NAMES'
M3DInit(
Modeler::Model3D::New(
Modeler::Body::QuickWrite(
Modeler::CandidateBody::ToBody(
Modeler::Attributes::New(
Modeler::FLReadModel(
Modeler::FLRead1Body(
Modeler::FLWriteModel(
Modeler::FLWriteOneBody(
typeinfo for Kit::IllegalArgumentException
NAMES

# Internals that must stay hidden. Standard-library instantiations over internal types
# (kept in Debug builds) are the standard library's own symbols, not ours.
ours="$(grep -vE '^ *(([a-z_]+ )+)?(std|__gnu_cxx)::' <<<"$demangled")"
internal="$(grep -E '(^|[ :(<,])(detail|Detail|PropListDetail)::|BodyRules|QuickStream|_Checked\(|\(anonymous namespace\)' <<<"$ours")"
[ -z "$internal" ] || fail "internal symbols are exported:"$'\n'"$(head -20 <<<"$internal")"

# No build machine's path in the library.
if strings -a "$library" | grep -qF -- "$source_dir/"; then
	fail "the library holds the absolute source path $source_dir/"
fi

exit $((failures > 0))
