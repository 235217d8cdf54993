#include "transforms/catalogue.h"

#include "transforms/analysis/transformcount.h"
#include "transforms/analysis/transformpivot.h"
#include "transforms/analysis/transformtotal.h"
#include "transforms/column/transformcalculate.h"
#include "transforms/column/transformconcatcols.h"
#include "transforms/column/transformcopycols.h"
#include "transforms/column/transformgather.h"
#include "transforms/column/transformnewcol.h"
#include "transforms/column/transformoffset.h"
#include "transforms/column/transformremovecols.h"
#include "transforms/column/transformrenamecols.h"
#include "transforms/column/transformreordercols.h"
#include "transforms/column/transformreshape.h"
#include "transforms/column/transformsplit.h"
#include "transforms/column/transformspread.h"
#include "transforms/format/transformcase.h"
#include "transforms/format/transformchop.h"
#include "transforms/format/transformdecode.h"
#include "transforms/format/transformextract.h"
#include "transforms/format/transformfill.h"
#include "transforms/format/transforminsert.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformreplace.h"
#include "transforms/format/transformunfill.h"
#include "transforms/format/transformwhitespace.h"
#include "transforms/merge/transformcross.h"
#include "transforms/merge/transformintersect.h"
#include "transforms/merge/transformjoin.h"
#include "transforms/merge/transformlookup.h"
#include "transforms/merge/transformsubtract.h"
#include "transforms/other/transformclone.h"
#include "transforms/other/transformhash.h"
#include "transforms/other/transformsubstitute.h"
#include "transforms/other/transformtranspose.h"
#include "transforms/row/transformdedupe.h"
#include "transforms/row/transformrownum.h"
#include "transforms/row/transformsort.h"
#include "transforms/row/transformunique.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/format/transformcase.h"
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
    catalogue.add(new TransformCount);
    catalogue.add(new TransformCross);
    catalogue.add(new TransformDecode);
    catalogue.add(new TransformDedupe);
    catalogue.add(new TransformExtract);
    catalogue.add(new TransformFill);
    catalogue.add(new TransformGather);
    catalogue.add(new TransformHash);
    catalogue.add(new TransformInsert);
    catalogue.add(new TransformIntersect);
    catalogue.add(new TransformJoin);
    catalogue.add(new TransformLookup);
    catalogue.add(new TransformNewCol);
    catalogue.add(new TransformOffset);
    catalogue.add(new TransformPad);
    catalogue.add(new TransformPivot);
    catalogue.add(new TransformRemoveCols);
    catalogue.add(new TransformRenameCols);
    catalogue.add(new TransformReorderCols);
    catalogue.add(new TransformReplace);
    catalogue.add(new TransformReshape);
    catalogue.add(new TransformRowNum);
    catalogue.add(new TransformSort);
    catalogue.add(new TransformSplit);
    catalogue.add(new TransformSpread);
    catalogue.add(new TransformSubstitute);
    catalogue.add(new TransformSubtract);
    catalogue.add(new TransformTotal);
    catalogue.add(new TransformTranspose);
    catalogue.add(new TransformUnfill);
    catalogue.add(new TransformUnique);
    catalogue.add(new TransformWhitespace);
}
