#include "transforms/catalogue.h"

#include "transforms/analysis/transformdifference.h"
#include "transforms/column/transformcalculate.h"
#include "transforms/column/transformcomparecols.h"
#include "transforms/column/transformconcatcols.h"
#include "transforms/column/transformcopycols.h"
#include "transforms/column/transformif.h"
#include "transforms/column/transformnewcol.h"
#include "transforms/column/transformoffset.h"
#include "transforms/column/transformremovecols.h"
#include "transforms/column/transformrenamecols.h"
#include "transforms/column/transformreordercols.h"
#include "transforms/column/transformsplitname.h"
#include "transforms/format/transformcase.h"
#include "transforms/format/transformchop.h"
#include "transforms/format/transformdecode.h"
#include "transforms/format/transformextract.h"
#include "transforms/format/transformfill.h"
#include "transforms/format/transforminsert.h"
#include "transforms/format/transformlist.h"
#include "transforms/format/transformpad.h"
#include "transforms/format/transformreplace.h"
#include "transforms/format/transformslide.h"
#include "transforms/format/transformunfill.h"
#include "transforms/format/transformwhitespace.h"
#include "transforms/merge/transformcross.h"
#include "transforms/merge/transformintersect.h"
#include "transforms/merge/transformjoin.h"
#include "transforms/merge/transformlookup.h"
#include "transforms/merge/transformstack.h"
#include "transforms/merge/transformsubtract.h"
#include "transforms/other/transformclone.h"
#include "transforms/other/transformfileinfo.h"
#include "transforms/other/transformhash.h"
#include "transforms/other/transformstamp.h"
#include "transforms/other/transformsubstitute.h"
#include "transforms/other/transformverify.h"
#include "transforms/row/transformconcatrows.h"
#include "transforms/row/transformdedupe.h"
#include "transforms/row/transformfilter.h"
#include "transforms/row/transformheader.h"
#include "transforms/row/transformnewrows.h"
#include "transforms/row/transformrownum.h"
#include "transforms/row/transformsample.h"
#include "transforms/row/transformsequence.h"
#include "transforms/row/transformslice.h"
#include "transforms/row/transformsort.h"
#include "transforms/row/transformsplitrows.h"

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
    catalogue.add(new TransformCompareCols);
    catalogue.add(new TransformConcatCols);
    catalogue.add(new TransformConcatRows);
    catalogue.add(new TransformCopyCols);
    catalogue.add(new TransformCross);
    catalogue.add(new TransformDecode);
    catalogue.add(new TransformDedupe);
    catalogue.add(new TransformDifference);
    catalogue.add(new TransformExtract);
    catalogue.add(new TransformFileInfo);
    catalogue.add(new TransformFill);
    catalogue.add(new TransformFilter);
    catalogue.add(new TransformHash);
    catalogue.add(new TransformHeader);
    catalogue.add(new TransformIf);
    catalogue.add(new TransformInsert);
    catalogue.add(new TransformIntersect);
    catalogue.add(new TransformJoin);
    catalogue.add(new TransformList);
    catalogue.add(new TransformLookup);
    catalogue.add(new TransformNewCol);
    catalogue.add(new TransformNewRows);
    catalogue.add(new TransformOffset);
    catalogue.add(new TransformPad);
    catalogue.add(new TransformRemoveCols);
    catalogue.add(new TransformRenameCols);
    catalogue.add(new TransformReorderCols);
    catalogue.add(new TransformReplace);
    catalogue.add(new TransformRowNum);
    catalogue.add(new TransformSample);
    catalogue.add(new TransformSequence);
    catalogue.add(new TransformSlice);
    catalogue.add(new TransformSlide);
    catalogue.add(new TransformSort);
    catalogue.add(new TransformSplitName);
    catalogue.add(new TransformSplitRows);
    catalogue.add(new TransformStack);
    catalogue.add(new TransformStamp);
    catalogue.add(new TransformSubstitute);
    catalogue.add(new TransformSubtract);
    catalogue.add(new TransformUnfill);
    catalogue.add(new TransformVerify);
    catalogue.add(new TransformWhitespace);
}
