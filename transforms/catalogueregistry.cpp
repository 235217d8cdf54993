#include "transforms/catalogue.h"
#include "transforms/transformcase.h"
#include "transforms/transformchop.h"
#include "transforms/transformdecode.h"
#include "transforms/transformextract.h"
#include "transforms/transformfill.h"
#include "transforms/transformhash.h"
#include "transforms/transforminsert.h"
#include "transforms/transformpad.h"
#include "transforms/transformreplace.h"
#include "transforms/transformsubstitute.h"
#include "transforms/transformunfill.h"
#include "transforms/transformwhitespace.h"

// One line per implemented transform type, with its include above:
//     #include "transforms/transformcase.h"
//     catalogue.add(new TransformCase);
// A type is registered only once it does its job.

void registerTransformTypes(Catalogue& catalogue)
{
    catalogue.add(new TransformCase);
    catalogue.add(new TransformChop);
    catalogue.add(new TransformDecode);
    catalogue.add(new TransformExtract);
    catalogue.add(new TransformFill);
    catalogue.add(new TransformHash);
    catalogue.add(new TransformInsert);
    catalogue.add(new TransformPad);
    catalogue.add(new TransformReplace);
    catalogue.add(new TransformSubstitute);
    catalogue.add(new TransformUnfill);
    catalogue.add(new TransformWhitespace);
}
