package antorder.junit5;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Optional;
import java.util.Set;
import java.util.function.Function;

/**
 * The order file and the rest file that antorder-suite wrote, read once per JVM (again only when
 * another launch in the same JVM names other files).
 *
 * <p>A line is a history key as Surefire reports a test: the class name as {@link Class#getName()}
 * gives it (nested classes with "$"), ".", the method name, then for a parameterised test its
 * signature and invocation, "search{String}[1]", or as Gradle writes it, "search(String)[1]". The
 * method name ends at the first "(", "[" or "{", and the class name at the last "." before it: a Java
 * method name holds no ".", so this is the longest class name that, followed by ".", prefixes the line.
 */
final class OrderFile {
    static final String ORDER = "antorder.order";
    static final String REST = "antorder.rest";

    private static OrderFile loaded;

    private final String orderPath;
    private final String restPath;
    /** The first line naming each class + "#" + method. */
    private final Map<String, Integer> methodPositions = new HashMap<>();
    /** The first line naming a test of each class, its nested classes' tests included. */
    private final Map<String, Integer> classPositions = new HashMap<>();
    /** The lines of the order file, each a test this run holds. */
    private final Set<String> orderLines = new HashSet<>();
    /**
     * Each method's test that decides where the method runs: its first by length, then by text, in
     * both files together, so that shards whose files split the invocations of one parameterised
     * method agree that it runs whole in one of them.
     */
    private final Map<String, String> decidingTests = new HashMap<>();
    /** The classes the rest names, and the classes enclosing them. */
    private final Set<String> restClasses = new HashSet<>();
    private boolean warned;

    private OrderFile(String orderPath, String restPath) {
        this.orderPath = orderPath;
        this.restPath = restPath;
        if (orderPath != null) {
            List<String> lines = readLines(ORDER, orderPath);
            for (int position = 0; position < lines.size(); ++position) {
                String[] test = split(lines.get(position));
                if (test == null) {
                    continue;
                }
                String key = test[0] + "#" + test[1];
                methodPositions.putIfAbsent(key, position);
                orderLines.add(lines.get(position));
                decidingTests.merge(key, lines.get(position), OrderFile::first);
                for (String owner : withEnclosing(test[0])) {
                    classPositions.putIfAbsent(owner, position);
                }
            }
        }
        if (restPath != null) {
            for (String line : readLines(REST, restPath)) {
                String[] test = split(line);
                if (test != null) {
                    decidingTests.merge(test[0] + "#" + test[1], line, OrderFile::first);
                    restClasses.addAll(withEnclosing(test[0]));
                }
            }
        }
    }

    /**
     * The files the parameters name, each read on first use; a parameter the launch does not set is
     * looked up among the system properties, which Surefire sets from mvn's -D options.
     */
    static synchronized OrderFile get(Function<String, Optional<String>> parameters) {
        String order = parameter(parameters, ORDER);
        String rest = parameter(parameters, REST);
        if (loaded == null || !Objects.equals(loaded.orderPath, order)
                || !Objects.equals(loaded.restPath, rest)) {
            loaded = new OrderFile(order, rest);
        }
        return loaded;
    }

    private static String parameter(Function<String, Optional<String>> parameters, String key) {
        String value = parameters.apply(key).orElseGet(() -> System.getProperty(key));
        return value == null || value.isEmpty() ? null : value;
    }

    boolean ordering() {
        return orderPath != null;
    }

    /** The line of the method's first test, or -1 where the order names none. */
    int methodPosition(String className, String methodName) {
        return methodPositions.getOrDefault(className + "#" + methodName, -1);
    }

    /** The line of the class's first test, its nested classes' counted, or -1. */
    int classPosition(String className) {
        return classPositions.getOrDefault(className, -1);
    }

    /**
     * Whether the method's deciding test is in the rest and not in the order: then it does not run.
     * A method neither file names runs.
     */
    boolean leftOut(String className, String methodName) {
        String deciding = decidingTests.get(className + "#" + methodName);
        return deciding != null && !orderLines.contains(deciding);
    }

    /** Whether either file names a test of the class or of a class nested in it. */
    boolean named(String className) {
        return classPositions.containsKey(className) || restClasses.contains(className);
    }

    /** True the first time only: the warning about unnamed classes is one line a JVM. */
    synchronized boolean firstWarning() {
        boolean first = !warned;
        warned = true;
        return first;
    }

    String describe() {
        return restPath == null ? ORDER + "=" + orderPath
                                : ORDER + "=" + orderPath + " nor " + REST + "=" + restPath;
    }

    /** The test that sorts first: the shorter, so that [2] comes before [10], then by text. */
    static String first(String one, String other) {
        int byLength = Integer.compare(one.length(), other.length());
        return byLength < 0 || (byLength == 0 && one.compareTo(other) <= 0) ? one : other;
    }

    /** {class name, method name}, or null for a line that names no method of a class. */
    static String[] split(String line) {
        int end = line.length();
        for (char stop : new char[] {'(', '[', '{'}) {
            int at = line.indexOf(stop);
            if (at >= 0 && at < end) {
                end = at;
            }
        }
        int dot = line.lastIndexOf('.', end - 1);
        if (dot <= 0 || dot + 1 >= end) {
            return null;
        }
        return new String[] {line.substring(0, dot), line.substring(dot + 1, end)};
    }

    /** The class and each class it is nested in: a.B$C$D, a.B$C, a.B. */
    private static List<String> withEnclosing(String className) {
        List<String> owners = new ArrayList<>();
        owners.add(className);
        int packageEnd = className.lastIndexOf('.');
        for (int at = className.lastIndexOf('$'); at > packageEnd + 1;
                at = className.lastIndexOf('$', at - 1)) {
            owners.add(className.substring(0, at));
        }
        return owners;
    }

    /**
     * The file's lines, a CR before each line feed dropped and empty lines left out; bytes that are
     * not UTF-8 read as U+FFFD, matching no test rather than stopping the run.
     */
    private static List<String> readLines(String key, String path) {
        byte[] bytes;
        try {
            bytes = Files.readAllBytes(Paths.get(path));
        } catch (IOException | RuntimeException e) {
            throw new UncheckedIOException(
                    new IOException(key + "=" + path + ": cannot read the file: " + e, e));
        }
        List<String> lines = new ArrayList<>();
        for (String line : new String(bytes, StandardCharsets.UTF_8).split("\n", -1)) {
            if (line.endsWith("\r")) {
                line = line.substring(0, line.length() - 1);
            }
            if (!line.isEmpty()) {
                lines.add(line);
            }
        }
        return lines;
    }
}
