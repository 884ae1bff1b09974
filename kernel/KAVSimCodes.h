/* Return codes of the reference kernel. 0 is success; every failure has
 * its own code so a trace or a test tells them apart. docs/kernel.md
 * lists them with their meaning. */
#ifndef KAVSimCodes_h
#define KAVSimCodes_h

#define KAVSIM_OK 0
/* Lists */
#define KAVSIM_BAD_HANDLE 9001      /* no open list has this handle */
#define KAVSIM_BAD_INDEX 9002       /* record index outside 1..count */
#define KAVSIM_BAD_WIDTH 9003       /* GUSINI width not 4, 8 or 72 */
#define KAVSIM_NULL_ARGUMENT 9004   /* a required argument is null */
/* Dictionary */
#define KAVSIM_NO_DICTIONARY 9010   /* no dictionary loaded */
#define KAVSIM_UNKNOWN_MEMBER 9011  /* member not in the model */
#define KAVSIM_UNKNOWN_MODEL 9012   /* model not in the site */
#define KAVSIM_UNKNOWN_CLASS 9013
#define KAVSIM_UNKNOWN_ATTRIBUTE 9014
#define KAVSIM_NO_CURRENT_CLASS 9015 /* editing before GNFMCL/GNFCCL */
#define KAVSIM_ALREADY_EXISTS 9016
#define KAVSIM_STORE_FAILED 9017    /* the site could not be written */
#define KAVSIM_BAD_NAME 9018        /* blank or invalid name */
/* Catalog */
#define KAVSIM_UNKNOWN_TABLE_KIND 9020
#define KAVSIM_UNKNOWN_NLS_TYPE 9021
#define KAVSIM_NO_NLS_NAME 9022     /* no national name for this item */
/* Picture grabber */
#define KAVSIM_IMAGE_NOT_WRITTEN 9030
/* GII session */
#define KAVSIM_GII_UNKNOWN_NAME 9060     /* no GII variable of this name */
#define KAVSIM_GII_UNKNOWN_ID 9061       /* no GII variable of this identifier */
#define KAVSIM_GII_NO_VALUE 9062         /* the variable holds no value */
#define KAVSIM_GII_BAD_FIELD 9063        /* field number outside the value */
#define KAVSIM_GII_BAD_TYPE 9064         /* type code outside 1..4 */
#define KAVSIM_GII_NOT_A_LIST 9065       /* list routine on a plain variable */
#define KAVSIM_GII_BAD_POSITION 9066     /* no such value in the list */
#define KAVSIM_GII_BAD_LENGTH 9067       /* negative text length */
#define KAVSIM_GII_BAD_COUNT 9068        /* number of values refused */
/* Declarative: nothing defined for what was asked */
#define KAVSIM_NOTHING_DEFINED 9550
/* A routine of a family this kernel does not implement */
#define KAVSIM_NOT_AVAILABLE 9999

#endif
