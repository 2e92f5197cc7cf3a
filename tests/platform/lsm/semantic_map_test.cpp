#include "platform/lsm/semantic_map.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

using platform::SemanticMap;

namespace {

// A few hundred synthetic task titles: each topic has its own words, every title also takes common
// words that all topics share, and some titles carry two topics.
struct TaggedTitle {
    QString title;
    QList<int> topics;
};

const QList<QStringList>& topicWords() {
    static const QList<QStringList> words = {
        {QStringLiteral("milk"), QStringLiteral("bread"), QStringLiteral("eggs"), QStringLiteral("cheese"),
         QStringLiteral("apples"), QStringLiteral("butter")},
        {QStringLiteral("invoice"), QStringLiteral("client"), QStringLiteral("budget"),
         QStringLiteral("report"), QStringLiteral("quarterly"), QStringLiteral("meeting")},
        {QStringLiteral("dentist"), QStringLiteral("doctor"), QStringLiteral("pharmacy"),
         QStringLiteral("prescription"), QStringLiteral("checkup"), QStringLiteral("vitamins")},
        {QStringLiteral("garden"), QStringLiteral("lawn"), QStringLiteral("hedge"), QStringLiteral("tulips"),
         QStringLiteral("compost"), QStringLiteral("seeds")},
        {QStringLiteral("flight"), QStringLiteral("hotel"), QStringLiteral("passport"),
         QStringLiteral("luggage"), QStringLiteral("visa"), QStringLiteral("itinerary")},
        {QStringLiteral("bike"), QStringLiteral("tyre"), QStringLiteral("chain"), QStringLiteral("brakes"),
         QStringLiteral("saddle"), QStringLiteral("pump")},
        {QStringLiteral("guitar"), QStringLiteral("chords"), QStringLiteral("strings"),
         QStringLiteral("rehearsal"), QStringLiteral("amp"), QStringLiteral("setlist")},
        {QStringLiteral("taxes"), QStringLiteral("receipts"), QStringLiteral("deduction"),
         QStringLiteral("accountant"), QStringLiteral("refund"), QStringLiteral("forms")},
        {QStringLiteral("birthday"), QStringLiteral("cake"), QStringLiteral("balloons"),
         QStringLiteral("invitations"), QStringLiteral("gift"), QStringLiteral("party")},
        {QStringLiteral("server"), QStringLiteral("backup"), QStringLiteral("firewall"),
         QStringLiteral("router"), QStringLiteral("kernel"), QStringLiteral("patch")},
        {QStringLiteral("novel"), QStringLiteral("chapter"), QStringLiteral("library"),
         QStringLiteral("poems"), QStringLiteral("author"), QStringLiteral("bookmark")},
        {QStringLiteral("kitchen"), QStringLiteral("sink"), QStringLiteral("faucet"), QStringLiteral("tiles"),
         QStringLiteral("plumber"), QStringLiteral("drain")},
    };
    return words;
}

QList<TaggedTitle> syntheticTitles(int count, unsigned seed) {
    static const QStringList common = {QStringLiteral("buy"), QStringLiteral("call"), QStringLiteral("check"),
                                       QStringLiteral("the"), QStringLiteral("for"),  QStringLiteral("new"),
                                       QStringLiteral("fix"), QStringLiteral("book"), QStringLiteral("order"),
                                       QStringLiteral("plan")};
    std::mt19937 random(seed);
    const auto pick = [&](qsizetype n) {
        return static_cast<qsizetype>(random() % static_cast<unsigned>(n));
    };
    const QList<QStringList>& topics = topicWords();
    QList<TaggedTitle> titles;
    for (int t = 0; t < count; ++t) {
        TaggedTitle item;
        item.topics.append(static_cast<int>(pick(topics.size())));
        if (pick(5) == 0) {
            const int second = static_cast<int>(pick(topics.size()));
            if (second != item.topics.first()) item.topics.append(second);
        }
        QStringList words{common[pick(common.size())]};
        for (const int topic : item.topics) words.append(topics[topic][pick(topics[topic].size())]);
        words.append(topics[item.topics.first()][pick(topics[item.topics.first()].size())]);
        if (pick(3) == 0) words.append(common[pick(common.size())]);
        if (pick(10) == 0) {  // a stray word of an unrelated topic
            const auto& stray = topics[pick(topics.size())];
            words.append(stray[pick(stray.size())]);
        }
        std::shuffle(words.begin(), words.end(), random);
        item.title = words.join(u' ');
        titles.append(item);
    }
    return titles;
}

// Category 1 takes untagged titles; topic t is category t + 2 unless it was left out.
struct TrainedMap {
    SemanticMap map;
    QHash<int, quint32> categoryOfTopic;
};

TrainedMap train(const QList<TaggedTitle>& titles, const QList<int>& leftOutTopics = {}) {
    TrainedMap trained;
    const quint32 untagged = *trained.map.addCategory();
    for (int topic = 0; topic < topicWords().size(); ++topic) {
        if (!leftOutTopics.contains(topic)) trained.categoryOfTopic.insert(topic, *trained.map.addCategory());
    }
    for (const TaggedTitle& item : titles) {
        bool tagged = false;
        for (const int topic : item.topics) {
            if (!trained.categoryOfTopic.contains(topic)) continue;
            EXPECT_TRUE(trained.map.addText(trained.categoryOfTopic[topic], item.title).ok());
            tagged = true;
        }
        if (!tagged) {
            EXPECT_TRUE(trained.map.addText(untagged, item.title).ok());
        }
    }
    EXPECT_TRUE(trained.map.compile().ok());
    return trained;
}

struct Precision {
    double atThree = 0;  // correct predictions / predictions made, three asked per title
    double hitRate = 0;  // titles with a correct category among the three
};

Precision precisionAtThree(const TrainedMap& trained, const QList<TaggedTitle>& heldBack) {
    int predicted = 0, correct = 0, hits = 0;
    for (const TaggedTitle& item : heldBack) {
        const auto scores = trained.map.evaluate(item.title, 3);
        EXPECT_TRUE(scores.ok());
        bool hit = false;
        for (const auto& s : *scores) {
            ++predicted;
            for (const int topic : item.topics) {
                if (trained.categoryOfTopic.value(topic) == s.category) {
                    ++correct;
                    hit = true;
                }
            }
        }
        hits += hit;
    }
    return {predicted ? double(correct) / predicted : 0.0, double(hits) / heldBack.size()};
}

QByteArray withChecksum(QByteArray data) {
    const qsizetype body = data.size() - 4;
    const uLong crc =
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(body));
    qToLittleEndian(static_cast<quint32>(crc), data.data() + body);
    return data;
}

void putU32(QByteArray& data, qsizetype offset, quint32 value) {
    qToLittleEndian(value, data.data() + offset);
}

}  // namespace

TEST(SemanticMap, PredictsHeldBackTitlesWellAboveChance) {
    const QList<TaggedTitle> titles = syntheticTitles(360, 7);
    const QList<TaggedTitle> training = titles.first(300);
    const QList<TaggedTitle> heldBack = titles.sliced(300);
    const TrainedMap trained = train(training);

    const Precision p = precisionAtThree(trained, heldBack);
    double tagsPerTitle = 0;
    for (const auto& item : heldBack) tagsPerTitle += item.topics.size();
    tagsPerTitle /= heldBack.size();
    const double chance = tagsPerTitle / trained.map.categoryCount();
    std::printf("precision at 3: %.3f (chance %.3f), a right tag among the three: %.3f\n", p.atThree, chance,
                p.hitRate);
    ::testing::Test::RecordProperty("precision_at_3", QString::number(p.atThree, 'f', 3).toStdString());
    EXPECT_GT(p.atThree, 3 * chance);
    EXPECT_GT(p.hitRate, 0.9);
}

TEST(SemanticMap, ScoresLieInZeroToOneAndSumToOneOverAllCategories) {
    const TrainedMap trained = train(syntheticTitles(200, 3));
    const int all = trained.map.categoryCount();
    for (const QString& title :
         {QStringLiteral("buy milk and bread"), QStringLiteral("call the plumber about the drain"),
          QStringLiteral("book")}) {
        const auto scores = trained.map.evaluate(title, all);
        ASSERT_TRUE(scores.ok());
        ASSERT_FALSE(scores->isEmpty()) << title.toStdString();
        double sum = 0;
        for (qsizetype i = 0; i < scores->size(); ++i) {
            EXPECT_GE(scores->at(i).score, 0.0);
            EXPECT_LE(scores->at(i).score, 1.0);
            if (i > 0) {
                EXPECT_GE(scores->at(i - 1).score, scores->at(i).score);
            }
            sum += scores->at(i).score;
        }
        EXPECT_NEAR(sum, 1.0, 1e-9);
    }
    // The best three are the head of the full ranking.
    const auto all3 = trained.map.evaluate(QStringLiteral("buy milk and bread"), all);
    const auto best3 = trained.map.evaluate(QStringLiteral("buy milk and bread"), 3);
    EXPECT_EQ(*best3, all3->first(3));
    EXPECT_EQ(best3->first().category, trained.categoryOfTopic[0]);
}

TEST(SemanticMap, WordsAreNormalisedAlikeForTrainingAndEvaluation) {
    EXPECT_EQ(SemanticMap::words(QStringLiteral("Café, CAFE! — naïve #3 (x)")),
              (QStringList{QStringLiteral("cafe"), QStringLiteral("cafe"), QStringLiteral("naive"),
                           QStringLiteral("3"), QStringLiteral("x")}));

    SemanticMap map;
    const quint32 drinks = *map.addCategory();
    const quint32 repairs = *map.addCategory();
    ASSERT_TRUE(map.addText(drinks, QStringLiteral("Order CAFÉ beans")).ok());
    ASSERT_TRUE(map.addText(repairs, QStringLiteral("order a new hinge")).ok());
    ASSERT_TRUE(map.compile().ok());
    const auto scores = map.evaluate(QStringLiteral("café"), 1);
    ASSERT_TRUE(scores.ok());
    ASSERT_EQ(scores->size(), 1);
    EXPECT_EQ(scores->first().category, drinks);
    EXPECT_DOUBLE_EQ(scores->first().score, 1.0);
}

TEST(SemanticMap, EvaluatesNothingForUnknownWordsOrWordsEveryCategoryShares) {
    SemanticMap map;
    const quint32 a = *map.addCategory();
    const quint32 b = *map.addCategory();
    const quint32 c = *map.addCategory();
    const quint32 empty = *map.addCategory();  // a category that never gets a text never scores
    ASSERT_TRUE(map.addText(a, QStringLiteral("the milk")).ok());
    ASSERT_TRUE(map.addText(b, QStringLiteral("the hedge")).ok());
    ASSERT_TRUE(map.addText(c, QStringLiteral("the lawn")).ok());
    ASSERT_TRUE(map.compile().ok());
    EXPECT_TRUE(map.evaluate(QStringLiteral("zebra crossing"), 3)->isEmpty());
    EXPECT_TRUE(map.evaluate(QStringLiteral("the"), 3)->isEmpty());  // a third in each: no weight
    EXPECT_TRUE(map.evaluate(QString(), 3)->isEmpty());
    EXPECT_TRUE(map.evaluate(QStringLiteral("milk"), 0)->isEmpty());
    const auto scores = map.evaluate(QStringLiteral("the milk hedge"), 4);
    ASSERT_EQ(scores->size(), 4);
    EXPECT_DOUBLE_EQ(scores->at(0).score, 0.5);
    EXPECT_EQ(scores->at(0).category, a);  // equal scores in category order
    EXPECT_EQ(scores->at(1).category, b);
    EXPECT_EQ(scores->at(2), (SemanticMap::Score{c, 0.0}));
    EXPECT_EQ(scores->at(3), (SemanticMap::Score{empty, 0.0}));
}

TEST(SemanticMap, ModesGuardLearningAndEvaluation) {
    SemanticMap map;
    EXPECT_EQ(map.compile().error().code, platform::SemanticMapErrorNoCategories);
    const quint32 one = *map.addCategory();
    EXPECT_EQ(map.addText(7, QStringLiteral("milk")).error().code, platform::SemanticMapErrorUnknownCategory);
    EXPECT_EQ(map.addText(0, QStringLiteral("milk")).error().code, platform::SemanticMapErrorUnknownCategory);
    EXPECT_EQ(map.evaluate(QStringLiteral("milk"), 3).error().code, platform::SemanticMapErrorNotCompiled);
    ASSERT_TRUE(map.addText(one, QStringLiteral("milk")).ok());
    ASSERT_TRUE(map.compile().ok());
    EXPECT_EQ(map.addText(one, QStringLiteral("bread")).error().code,
              platform::SemanticMapErrorNotInTraining);
    EXPECT_EQ(map.addCategory().error().code, platform::SemanticMapErrorNotInTraining);

    // Back in training the counts are still there and more can be learnt.
    ASSERT_TRUE(map.startTraining().ok());
    const quint32 two = *map.addCategory();
    EXPECT_EQ(two, 2u);
    ASSERT_TRUE(map.addText(two, QStringLiteral("hedge")).ok());
    ASSERT_TRUE(map.compile().ok());
    EXPECT_EQ(map.evaluate(QStringLiteral("milk"), 1)->first().category, one);
    EXPECT_EQ(map.evaluate(QStringLiteral("hedge"), 1)->first().category, two);
}

TEST(SemanticMap, RetrainingAfterACategoryIsRemovedForgetsIt) {
    const QList<TaggedTitle> titles = syntheticTitles(360, 11);
    const QList<TaggedTitle> heldBack = titles.sliced(300);
    constexpr int removed = 4;  // travel
    const TrainedMap before = train(titles.first(300));
    const TrainedMap after = train(titles.first(300), {removed});
    ASSERT_EQ(after.map.categoryCount(), before.map.categoryCount() - 1);

    // Titles of the removed topic alone now lean towards the untagged category; the others are
    // predicted as well as before.
    int untaggedFirst = 0, removedOnly = 0;
    QList<TaggedTitle> others;
    for (const TaggedTitle& item : heldBack) {
        if (item.topics == QList<int>{removed}) {
            ++removedOnly;
            untaggedFirst += after.map.evaluate(item.title, 1)->value(0).category == 1u;
        } else if (!item.topics.contains(removed)) {
            others.append(item);
        }
    }
    ASSERT_GT(removedOnly, 0);
    EXPECT_EQ(untaggedFirst, removedOnly);
    EXPECT_GE(precisionAtThree(after, others).hitRate, precisionAtThree(before, others).hitRate - 0.05);
}

TEST(SemanticMap, FileRoundTripKeepsCountsPropertiesAndMode) {
    QTemporaryDir dir;
    const TrainedMap trained = train(syntheticTitles(200, 5));
    SemanticMap map = trained.map;
    const QVariantMap properties{
        {QStringLiteral("ValueToCatMap"),
         QVariantMap{{QStringLiteral("__UNTAGGED__"), 1}, {QStringLiteral("A1B2"), 2}}}};
    map.setProperties(properties);
    const QString path = dir.filePath(QStringLiteral("tag_autosuggest.data"));
    ASSERT_TRUE(map.writeToFile(path).ok());

    const auto read = SemanticMap::readFromFile(path);
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    EXPECT_TRUE(read->isCompiled());
    EXPECT_EQ(read->categoryCount(), map.categoryCount());
    EXPECT_EQ(read->termCount(), map.termCount());
    EXPECT_EQ(read->properties(), properties);
    for (const QString& title :
         {QStringLiteral("passport and visa"), QStringLiteral("fix the bike brakes")}) {
        EXPECT_EQ(*read->evaluate(title, 3), *map.evaluate(title, 3));
    }
    EXPECT_EQ(read->serialized(), map.serialized());

    // A map saved in training comes back in training and keeps learning.
    SemanticMap training = trained.map;
    ASSERT_TRUE(training.startTraining().ok());
    ASSERT_TRUE(training.writeToFile(path).ok());
    auto reread = SemanticMap::readFromFile(path);
    ASSERT_TRUE(reread.ok());
    EXPECT_FALSE(reread->isCompiled());
    ASSERT_TRUE(reread->addText(2, QStringLiteral("zeppelin")).ok());
    ASSERT_TRUE(reread->compile().ok());
    EXPECT_EQ(reread->evaluate(QStringLiteral("zeppelin"), 1)->first().category, 2u);
}

TEST(SemanticMap, RefusesMalformedFilesWithAnError) {
    // Two categories, the one word "milk" once in the first: every offset below is known.
    SemanticMap small;
    ASSERT_TRUE(small.addCategory().ok());
    ASSERT_TRUE(small.addCategory().ok());
    ASSERT_TRUE(small.addText(1, QStringLiteral("milk")).ok());
    const QByteArray good = small.serialized();
    ASSERT_TRUE(SemanticMap::deserialized(good).ok());

    // Every truncation and every single flipped byte is refused.
    for (qsizetype length = 0; length < good.size(); ++length) {
        const auto result = SemanticMap::deserialized(good.first(length));
        ASSERT_FALSE(result.ok()) << length;
        EXPECT_EQ(result.error().code, platform::SemanticMapErrorFileMalformed);
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0x5a);
        EXPECT_FALSE(SemanticMap::deserialized(flipped).ok()) << i;
    }

    // Damage with a matching checksum is found by the structure checks.
    struct Case {
        const char* what;
        std::function<void(QByteArray&)> damage;
        int code;
    };
    const Case cases[] = {
        {"newer version", [](QByteArray& d) { putU32(d, 8, 2); }, platform::SemanticMapErrorFileNewerVersion},
        {"version 0", [](QByteArray& d) { putU32(d, 8, 0); }, platform::SemanticMapErrorFileMalformed},
        {"unknown flag", [](QByteArray& d) { putU32(d, 12, 4); }, platform::SemanticMapErrorFileMalformed},
        {"huge category count", [](QByteArray& d) { putU32(d, 16, 0xffffffffu); },
         platform::SemanticMapErrorFileMalformed},
        {"huge term count", [](QByteArray& d) { putU32(d, 20, 0x7fffffffu); },
         platform::SemanticMapErrorFileMalformed},
        {"category sizes", [](QByteArray& d) { d[24] = 5; }, platform::SemanticMapErrorFileMalformed},
        {"huge word length", [](QByteArray& d) { putU32(d, 40, 0xfffffff0u); },
         platform::SemanticMapErrorFileMalformed},
        {"word not UTF-8", [](QByteArray& d) { d[44] = char(0xff); },
         platform::SemanticMapErrorFileMalformed},
        {"category out of range", [](QByteArray& d) { putU32(d, 52, 2); },
         platform::SemanticMapErrorFileMalformed},
        {"zero count", [](QByteArray& d) { putU32(d, 56, 0); }, platform::SemanticMapErrorFileMalformed},
        {"properties not a map", [](QByteArray& d) { d[64] = char(0x80); },
         platform::SemanticMapErrorFileMalformed},
        {"extra bytes", [](QByteArray& d) { d.insert(d.size() - 4, "x"); },
         platform::SemanticMapErrorFileMalformed},
        {"wrong magic", [](QByteArray& d) { d[0] = 'X'; }, platform::SemanticMapErrorFileMalformed},
    };
    for (const Case& c : cases) {
        QByteArray damaged = good;
        c.damage(damaged);
        const auto result = SemanticMap::deserialized(withChecksum(damaged));
        ASSERT_FALSE(result.ok()) << c.what;
        EXPECT_EQ(result.error().code, c.code) << c.what;
        EXPECT_FALSE(result.error().description.isEmpty());
    }

    QTemporaryDir dir;
    EXPECT_EQ(SemanticMap::readFromFile(dir.filePath(QStringLiteral("missing"))).error().code,
              platform::SemanticMapErrorFileUnreadable);
    QFile junk(dir.filePath(QStringLiteral("junk")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a map at all, just some text that goes on for a while");
    junk.close();
    EXPECT_EQ(SemanticMap::readFromFile(junk.fileName()).error().code,
              platform::SemanticMapErrorFileMalformed);
}
