package antorder.junit5;

import java.util.Optional;
import org.junit.platform.engine.FilterResult;
import org.junit.platform.engine.TestDescriptor;
import org.junit.platform.engine.TestSource;
import org.junit.platform.engine.support.descriptor.MethodSource;
import org.junit.platform.launcher.PostDiscoveryFilter;

/**
 * Leaves out the test methods the rest file (antorder.rest, a system property) names: the tests a
 * budget or the other shards hold. A method runs whole or not at all (which invocations a
 * parameterised method has is known only as it runs): where the files split its tests between them,
 * one test of it decides, the same in every shard, so that it runs in exactly one.
 * The JUnit Platform finds this filter by META-INF/services.
 */
public class AntorderFilter implements PostDiscoveryFilter {
    @Override
    public FilterResult apply(TestDescriptor descriptor) {
        Optional<TestSource> source = descriptor.getSource();
        if (source.isEmpty() || !(source.get() instanceof MethodSource)) {
            return FilterResult.included(null);
        }
        MethodSource method = (MethodSource) source.get();
        OrderFile file = OrderFile.get(key -> Optional.empty());
        if (file.leftOut(method.getClassName(), method.getMethodName())) {
            return FilterResult.excluded("in " + OrderFile.REST);
        }
        return FilterResult.included(null);
    }
}
