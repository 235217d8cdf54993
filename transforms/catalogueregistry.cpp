#include "transforms/catalogue.h"

#include "transforms/transformcalculate.h"
#include "transforms/transformcase.h"
#include "transforms/transformchop.h"
#include "transforms/transformclone.h"
#include "transforms/transformconcatcols.h"
#include "transforms/transformcopycols.h"
#include "transforms/transformcross.h"
#include "transforms/transformdecode.h"
#include "transforms/transformdedupe.h"
#include "transforms/transformextract.h"
#include "transforms/transformfill.h"
#include "transforms/transformhash.h"
#include "transforms/transforminsert.h"
#include "transforms/transformintersect.h"
#include "transforms/transformjoin.h"
#include "transforms/transformlookup.h"
#include "transforms/transformnewcol.h"
#include "transforms/transformoffset.h"
#include "transforms/transformpad.h"
#include "transforms/transformremovecols.h"
#include "transforms/transformrenamecols.h"
#include "transforms/transformreordercols.h"
#include "transforms/transformreplace.h"
#include "transforms/transformrownum.h"
#include "transforms/transformsort.h"
#include "transforms/transformsubstitute.h"
#include "transforms/transformsubtract.h"
#include "transforms/transformunfill.h"
#include "transforms/transformwhitespace.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    catalogue.add(new TransformCalculate);
    catalogue.add(new TransformCase);
    catalogue.add(new TransformChop);
    catalogue.add(new TransformClone);
    catalogue.add(new TransformConcatCols);
    catalogue.add(new TransformCopyCols);
    catalogue.add(new TransformCross);
    catalogue.add(new TransformDecode);
    catalogue.add(new TransformDedupe);
    catalogue.add(new TransformExtract);
    catalogue.add(new TransformFill);
    catalogue.add(new TransformHash);
    catalogue.add(new TransformInsert);
    catalogue.add(new TransformIntersect);
    catalogue.add(new TransformJoin);
    catalogue.add(new TransformLookup);
    catalogue.add(new TransformNewCol);
    catalogue.add(new TransformOffset);
    catalogue.add(new TransformPad);
    catalogue.add(new TransformRemoveCols);
    catalogue.add(new TransformRenameCols);
    catalogue.add(new TransformReorderCols);
    catalogue.add(new TransformReplace);
    catalogue.add(new TransformRowNum);
    catalogue.add(new TransformSort);
    catalogue.add(new TransformSubstitute);
    catalogue.add(new TransformSubtract);
    catalogue.add(new TransformUnfill);
    catalogue.add(new TransformWhitespace);
}
