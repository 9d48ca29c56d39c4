#include "host/HostRequest.h"

#include <gtest/gtest.h>

namespace {

std::optional<HostRequest> parse(const QList<QByteArray>& args, QString* error = nullptr)
{
    QString ignored;
    return HostRequest::parse(args, "/", error ? error : &ignored);
}

} // namespace

TEST(HostRequestTest, KindDefaultsFollowWhatWasGiven)
{
    auto request = parse({ "menu", "/tmp" });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, platform::FIMenuKindContextualMenuForItems);
    EXPECT_EQ(request->targetedURL, QUrl::fromLocalFile(QStringLiteral("/")));

    request = parse({ "menu", "--target", "/tmp" });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, platform::FIMenuKindContextualMenuForContainer);
    EXPECT_TRUE(request->selectedURLs.isEmpty());

    request = parse({ "popup", "--kind", "3" });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->kind, platform::FIMenuKindToolbarItemMenu);
    EXPECT_EQ(request->command, HostRequest::Command::Popup);

    request = parse({ "pick", "1202", "--json", "tmp" });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->tag, 1202);
    EXPECT_FALSE(request->key);
    request = parse({ "pick", "3", "--key", "Move to Trash", "/tmp" });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->key, QStringLiteral("Move to Trash"));
    EXPECT_EQ(request->selectedURLs, QList<QUrl>({ QUrl::fromLocalFile(QStringLiteral("/tmp")) }));
}

TEST(HostRequestTest, BadArgumentsAndMissingPathsAreRefusedWithAReason)
{
    QString error;
    EXPECT_FALSE(parse({}, &error));
    EXPECT_FALSE(parse({ "open" }, &error));
    EXPECT_TRUE(error.contains(QLatin1String("open")));
    EXPECT_FALSE(parse({ "menu" }, &error));
    EXPECT_FALSE(parse({ "menu", "--kind", "4", "/tmp" }, &error));
    EXPECT_FALSE(parse({ "menu", "--kind" }, &error));
    EXPECT_FALSE(parse({ "menu", "--colour", "/tmp" }, &error));
    EXPECT_FALSE(parse({ "pick", "x1", "/tmp" }, &error));
    EXPECT_FALSE(parse({ "pick" }, &error));
    EXPECT_FALSE(parse({ "menu", "/no/such/path" }, &error));
    EXPECT_TRUE(error.contains(QLatin1String("/no/such/path")));
    EXPECT_FALSE(parse({ "menu", "--target", "/etc/passwd" }, &error));
    EXPECT_FALSE(parse({ "menu", "--key", "Delete", "/tmp" }, &error));
    EXPECT_FALSE(parse({ "pick", "1", "--key" }, &error));
    EXPECT_FALSE(HostRequest::parse({ "menu", "tmp" }, QByteArray(), &error, QStringLiteral("it was removed")));
    EXPECT_TRUE(error.contains(QLatin1String("it was removed")));
    // "--" ends the options: a name beginning with dashes is a path.
    EXPECT_FALSE(parse({ "menu", "--", "--kind" }, &error));
    EXPECT_TRUE(error.contains(QLatin1String("--kind")));
}

TEST(HostRequestTest, PathBytesThatAreNotUtf8StayEscapedInTheUrl)
{
    const QUrl url = HostRequest::fileUrlForBytes("/tmp/a\xff b&c");
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), QByteArray("/tmp/a\xff b&c"));
    // The URL is the one a parse of the escaped text gives, so it compares equal to URLs made
    // that way elsewhere, whatever characters the name holds.
    for (const QByteArray& path :
         { QByteArray("/home/u/Work-1.0_x~/file.txt"), QByteArray("/a+b&c=d;e"), QByteArray("/[x]/'q'\"@:!$()*,"),
           QByteArray("/x#y?z%20"), QByteArray("/\xe6\x97\xa5 \xc3\xa9"), QByteArray("/\xc3\x28") }) {
        const QUrl parsed = QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
        EXPECT_EQ(HostRequest::fileUrlForBytes(path), parsed) << path.toStdString();
        EXPECT_EQ(HostRequest::fileUrlForBytes(path).toString(QUrl::FullyEncoded), parsed.toString(QUrl::FullyEncoded));
    }
}
