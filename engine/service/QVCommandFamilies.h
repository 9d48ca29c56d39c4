#pragma once

#include "engine/service/commonpath/QVCommonPathCommands.h"
#include "engine/service/compress/QVCompressCommands.h"
#include "engine/service/copymove/QVCopyMoveCommands.h"
#include "engine/service/filecommands/QVFileCommands.h"
#include "engine/service/folders/QVFolderCommands.h"
#include "engine/service/flagslinks/QVFlagAndLinkCommands.h"
#include "engine/service/images/QVImageCommands.h"
#include "engine/service/garblednames/QVGarbledNameCommands.h"
#include "engine/service/hashes/QVHashCommands.h"
#include "engine/service/newfile/QVNewFileCommands.h"
#include "engine/service/openwith/QVOpenWithCommands.h"
#include "engine/service/textconvert/QVTextCommands.h"
#include "engine/service/scripts/QVScriptCommands.h"

class QVCommandContext;

/// The command families of one engine, wired to its context and to each other: the rows of the
/// action table run their commands here. A new family is one more member (and its rows).
struct QVCommandFamilies
{
    explicit QVCommandFamilies(QVCommandContext& context)
        : context(context)
        , openWith(context)
        , files(context, openWith)
        , flagsAndLinks(context)
        , copyMove(context)
        , commonPaths(context, openWith)
        , images(context, openWith)
        , hashes(context)
        , garbledNames(context)
        , texts(context)
        , scripts(context, commonPaths)
        , compress(context)
        , newFiles(context)
        , folders(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVCommandFamilies)

    /// The engine the families run in.
    QVCommandContext& context;
    QVOpenWithCommands openWith;
    QVFileCommands files;
    QVFlagAndLinkCommands flagsAndLinks;
    QVCopyMoveCommands copyMove;
    QVCommonPathCommands commonPaths;
    QVImageCommands images;
    QVHashCommands hashes;
    QVGarbledNameCommands garbledNames;
    QVTextCommands texts;
    QVScriptCommands scripts;
    QVCompressCommands compress;
    QVNewFileCommands newFiles;
    QVFolderCommands folders;
};
